#!/usr/bin/env bash
# The plug-in in the windowed host, used the way a person uses it: an Xvfb of
# its own, the host on the sample mail, and only real X input (xdotool clicks
# and keys). Where to click it learns from the layout file the host keeps
# (where it drew its rows and open menus); what the plug-in did it learns from
# the record the host writes at exit (each compose window's fields as
# GetWindowText reads them, the recipients submenus, the status bar).
#
#   gui_test.sh --arch win32|win64 --bin DIR --prefix DIR --samples DIR [--shots DIR]
#   gui_test.sh --arch win32|win64 --prefix DIR --init
#
# --init only sets up the Wine prefix for windows on a display (once).
# --shots DIR also writes two screenshots there: the main window with the
# message's pop-up menu open at 新規メールの宛先 and the command highlighted,
# and the compose window the command opened.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
wine_run="$here/../../cmake/wine-run.sh"
arch=win32 bin= prefix= samples= shots= init=
while [ $# -gt 0 ]; do
  case $1 in
    --arch) arch=$2; shift 2 ;;
    --bin) bin=$2; shift 2 ;;
    --prefix) prefix=$2; shift 2 ;;
    --samples) samples=$2; shift 2 ;;
    --shots) shots=$2; shift 2 ;;
    --init) init=1; shift ;;
    *) echo "gui_test.sh: unknown option $1" >&2; exit 2 ;;
  esac
done

# Under Xvfb there is no window manager: Wine manages the windows itself and
# draws their title bars and borders (without this it waits 2 s at each
# window's end for a window manager that never answers).
setup_prefix() {
  [ -f "$prefix.x11-ready" ] && return 0
  "$wine_run" --arch "$arch" --prefix "$prefix" --init
  for setting in Managed Decorated; do
    "$wine_run" --arch "$arch" --prefix "$prefix" reg add 'HKCU\Software\Wine\X11 Driver' /v $setting /d N /f >/dev/null
  done
  # The caption buttons' glyphs: Wine's own Marlett (fonts-wine), which this
  # Wine finds in the prefix's font folder only.
  [ -f /usr/share/wine/fonts/marlett.ttf ] && cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
  touch "$prefix.x11-ready"
}
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "gui_test.sh: $tool is missing; scripts/bootstrap.sh installs it" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/ombry-gui.XXXXXX")
xvfb_pid= host_pid=
stop() {
  status=$?
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
  exit "$status"
}
trap stop EXIT

fail() {
  echo "FAIL: $*" >&2
  # The screen as it was, beside the build's programs.
  if [ -n "${DISPLAY:-}" ] && [ -n "$bin" ] && import -window root "$bin/../gui-failure.png" 2>/dev/null; then
    echo "the screen at the failure: $(realpath "$bin/../gui-failure.png")" >&2
  fi
  [ -f "$work/layout" ] && { echo "last layout:" >&2; sed 's/^/  /' "$work/layout" >&2; }
  [ -s "$work/host.log" ] && { echo "host output:" >&2; sed 's/^/  /' "$work/host.log" >&2; }
  exit 1
}

started=$SECONDS

# An X server of our own, on a display it picks itself.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"

# A prefix first set up under a display starts its windows in a second;
# one set up without takes a long while over its first window instead.
setup_prefix
[ -n "$init" ] && exit 0
echo "Xvfb on $DISPLAY; the $arch build of the host and the plug-in"

# Reading the layout: one tab-separated line per thing shown, its screen
# rectangle in the last four fields. The helpers that wait leave what they
# found in $found (a failure inside $(...) would only end the subshell).
layout_line() {  # awk condition on the fields -> first matching line
  [ -f "$work/layout" ] && awk -F'\t' "$1 { print; exit }" "$work/layout"
}
wait_for() {  # description, awk condition[, tenths of a second to wait]
  for _ in $(seq "${3:-100}"); do
    found=$(layout_line "$2" || true)
    [ -n "$found" ] && return 0
    sleep 0.1
  done
  fail "never shown: $1"
}
center() { awk -F'\t' '{ print int(($(NF-3) + $(NF-1)) / 2), int(($(NF-2) + $NF) / 2) }' <<<"$1"; }
rect() { awk -F'\t' '{ print $(NF-3), $(NF-2), $(NF-1), $NF }' <<<"$1"; }
field() { cut -f"$2" <<<"$1"; }
compose_count() { [ -f "$work/layout" ] && grep -c '^compose' "$work/layout" || true; }

click() { xdotool mousemove $1 click "${2:-1}"; sleep 0.3; }  # "x y" [button]
keys() { for key in "$@"; do xdotool key "$key"; sleep 0.25; done; }

message_row() { wait_for "message $1" "\$1 == \"message\" && \$3 == \"$1\""; }
menu_item() { wait_for "menu item $2 at depth $1" "\$1 == \"menu\" && \$2 == $1 && \$6 == \"$2\""; }
select_message() {
  message_row "$1"
  click "$(center "$found")"
  wait_for "message $1 selected" "\$1 == \"message\" && \$3 == \"$1\" && \$4 == \"selected\""
}

# The command's item in an open recipients submenu, as drawn: position 3,
# its label, and the state given.
command_item() {  # depth, enabled|grayed
  menu_item "$1" "トヴァナルメール(&A)"
  [ "$(field "$found" 3)" = 3 ] || fail "the command is at position $(field "$found" 3), not 3"
  [ "$(field "$found" 5)" = "$2" ] || fail "the command is $(field "$found" 5), not $2"
}

# The samples reach the host as C:\Ombry\data, a folder as a user's could be:
# nothing of this machine's paths shows in the window.
ln -sfn "$samples" "$prefix/drive_c/Ombry"

start_host() {  # record file, then options for the host
  local record=$1
  shift
  rm -f "$work/layout"
  (cd "$bin" && exec "$wine_run" --arch "$arch" --prefix "$prefix" host-window.exe --data 'C:\Ombry\data' \
     --record "$record" --layout "$work/layout" --guard-heap "$@") >"$work/host.log" 2>&1 &
  host_pid=$!
  wait_for "the main window" '$1 == "window"' 300
  for _ in $(seq 50); do xdotool search --onlyvisible --name '^Ombry$' >/dev/null 2>&1 && return 0; sleep 0.1; done
  fail "no X window titled Ombry on the screen"
}
quit_host() {
  keys alt+f
  menu_item 0 "終了(&X)"
  keys x
  for _ in $(seq 100); do kill -0 "$host_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$host_pid" 2>/dev/null && fail "the host did not exit through ファイル > 終了"
  host_pid=
}

# A compose window must have opened since `before` were open; or none.
expect_new_compose() {
  for _ in $(seq 50); do [ "$(compose_count)" -gt "$before" ] && return 0; sleep 0.1; done
  fail "no compose window opened ($1)"
}
expect_no_new_compose() {
  sleep 1
  [ "$(compose_count)" -eq "$before" ] || fail "a compose window opened ($1)"
}

shot() {  # file, "left top right bottom"
  [ -n "$shots" ] || return 0
  mkdir -p "$shots"
  read -r left top right bottom <<<"$2"
  import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$shots/$1"
  echo "screenshot: $shots/$1"
}

# --- The session: every message below is chosen with real input. -----------
start_host "$work/record"
chosen=()

# 1. From the message's pop-up menu: a right click, then the mouse. The click
#    is at the row's right end, so that the menus hide none of its texts.
select_message 02-to-me-and-others-with-cc.eml
read -r _ row_top row_right row_bottom <<<"$(rect "$found")"
click "$((row_right - 6)) $(((row_top + row_bottom) / 2))" 3
before=$(compose_count)
menu_item 0 "新規メールの宛先(&N)"
click "$(center "$found")"
command_item 1 enabled
item=$found
xdotool mousemove $(center "$item")
sleep 0.4
# The main window and the open menus beside it (no compose window is open yet).
read -r left top right bottom <<<"$(rect "$(layout_line '$1 == "window"')")"
menu_item 1 "全員(&L)"
read -r _ _ menu_right menu_bottom <<<"$(rect "$found")"
shot window-menu.png "$left $top $((menu_right + 3 > right ? menu_right + 3 : right)) $((menu_bottom + 3 > bottom ? menu_bottom + 3 : bottom))"
click "$(center "$item")"
expect_new_compose "chosen from the pop-up menu of a right click"
chosen+=(02-to-me-and-others-with-cc.eml)
sleep 0.3
shot window-compose.png "$(rect "$(layout_line '$1 == "compose"')")"

# 2. With the keyboard: Alt+M, N, A.
select_message 03-sent-by-me.eml
before=$(compose_count)
keys alt+m n
command_item 1 enabled
keys a
expect_new_compose "chosen with Alt+M, N, A"
chosen+=(03-sent-by-me.eml)

# 3. With the mouse: a row, then メッセージ > 新規メールの宛先 > the command.
select_message 05-quoted-comma.eml
before=$(compose_count)
wait_for "menu bar" '$1 == "menubar" && $3 == "メッセージ(&M)"'
click "$(center "$found")"
menu_item 0 "新規メールの宛先(&N)"
click "$(center "$found")"
command_item 1 enabled
click "$(center "$found")"
expect_new_compose "chosen with the mouse"
chosen+=(05-quoted-comma.eml)

# 4. The pop-up menu from the keyboard: Shift+F10, and the context-menu key.
for way in shift+F10:06-japanese-names.eml Menu:04-me-only-in-cc.eml; do
  select_message "${way#*:}"
  before=$(compose_count)
  keys "${way%%:*}"
  menu_item 0 "新規メールの宛先(&N)"
  keys n
  command_item 1 enabled
  keys a
  expect_new_compose "chosen from the pop-up menu of ${way%%:*}"
  chosen+=("${way#*:}")
done

# 5. No message selected (a mailbox just opened): the item is greyed, and
#    choosing it opens nothing.
wait_for "mailbox Private" '$1 == "mailbox" && $3 == "Private"'
click "$(center "$found")"
message_row 01-newsletter.eml
before=$(compose_count)
keys alt+m n
command_item 1 grayed
keys a Escape Escape Escape
expect_no_new_compose "with no message selected"

# 6. A mailbox without an own address: the command runs and opens nothing.
select_message 01-newsletter.eml
keys alt+m n
command_item 1 enabled
keys a
expect_no_new_compose "in a mailbox without an own address"

quit_host

# --- What the host recorded. -------------------------------------------------
record=$work/record
[ -f "$record" ] || fail "the host wrote no record"
status_text=$(awk -F'\t' '$1 == "status" { print $2 }' "$record")
[ "$status_text" = "プラグイン: Ombryトヴァナルプラグイン 1.1" ] || fail "status bar: '$status_text'"
grep -qx $'guard-heap\ton' "$record" || fail "the plug-in did not allocate from the guard heap"
# The command at position 3 of the recipients submenu of the menu bar and of
# each of the three pop-up menus.
awk -F'\t' '$1 == "recipients" && $3 == 3 { n++; if ($5 != "トヴァナルメール(&A)") bad = 1 }
            END { exit bad || n != 4 }' "$record" ||
  fail "the recipients submenus, as recorded: $(grep recipients "$record")"

expected() {  # message file, field (4: To, 5: Cc)
  awk -F'\t' -v file="$1" -v field="$2" '$1 !~ /^#/ && $2 == file { print $field; exit }' "$samples/expected.tsv"
}
[ "$(grep -c '^compose' "$record")" -eq "${#chosen[@]}" ] ||
  fail "expected ${#chosen[@]} compose windows, the host recorded: $(grep '^compose' "$record")"
n=0
for file in "${chosen[@]}"; do
  n=$((n + 1))
  line=$(awk -F'\t' -v n="$n" '$1 == "compose" && $2 == n' "$record")
  for header in 3:4:To 4:5:Cc; do
    IFS=: read -r got_field want_field name <<<"$header"
    got=$(field "$line" "$got_field")
    want=$(expected "$file" "$want_field")
    [ "$got" = "$want" ] || fail "compose window $n ($file), $name: '$got', expected '$want'"
  done
  [ -z "$(field "$line" 5)" ] || fail "compose window $n ($file) has a subject: it must be a new message"
  echo "compose window $n ($file): To and Cc as expected"
done

# --- Without the plug-in the host still opens, and says so. ------------------
start_host "$work/record-without" --plugin no-such-plug-in.dll
message_row 01-to-me-alone.eml
quit_host
status_text=$(awk -F'\t' '$1 == "status" { print $2 }' "$work/record-without")
case $status_text in
  "プラグインなし: "*"no-such-plug-in.dll を読み込めません (エラー 126)") echo "without the plug-in: $status_text" ;;
  *) fail "status bar without the plug-in: '$status_text'" ;;
esac
grep -q '^compose' "$work/record-without" && fail "a compose window without the plug-in"

echo "gui test passed in $((SECONDS - started)) s"
