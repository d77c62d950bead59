#!/bin/sh
# Runs one Windows program under Wine the way the tests need it: code page 932,
# a private prefix in the build folder, no prompts, no debug chatter.
#
#   wine-run.sh [--arch win32|win64] [--prefix DIR] PROGRAM.exe [ARGS...]
#   wine-run.sh [--arch win32|win64] [--prefix DIR] --init
#
# --init only sets the prefix up and starts its server, so that the first test
# program does not pay for it inside its time limit.
#
# win32 runs 32-bit Wine's loader, win64 the 64-bit one; both are called
# directly, since Debian's `wine` wrapper tries the 32-bit loader first, which
# cannot start where 32-bit programs do not run.
#
# The prefix and a persistent wineserver are started detached from our standard
# streams: a wineserver that inherits a pipe someone waits on (CTest, a CI log)
# keeps that pipe open and the waiter hangs.
set -eu

arch=win32
init=
while [ $# -gt 0 ]; do
  case $1 in
    --arch) arch=$2; shift 2 ;;
    --prefix) WINEPREFIX=$2; shift 2 ;;
    --init) init=1; shift ;;
    *) break ;;
  esac
done
case $arch in
  win32) loader=${WINE_LOADER:-/usr/lib/wine/wine} ;;
  win64) loader=${WINE_LOADER:-/usr/lib/wine/wine64} ;;
  *) echo "wine-run.sh: unknown architecture '$arch' (win32 or win64)" >&2; exit 2 ;;
esac
server=${WINESERVER:-/usr/lib/wine/wineserver}
: "${WINEPREFIX:=$(pwd)/wineprefix}"
export WINEPREFIX WINEARCH=$arch WINESERVER=$server
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8

# Wine wants a private runtime folder of the user's; where there is none (a
# root shell, a chroot, CI) it says so on every start, in the middle of the
# program's output. One beside the prefix keeps it quiet.
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "$XDG_RUNTIME_DIR" ] || [ ! -O "$XDG_RUNTIME_DIR" ]; then
  XDG_RUNTIME_DIR=$WINEPREFIX.runtime
  mkdir -p "$XDG_RUNTIME_DIR"
  chmod 0700 "$XDG_RUNTIME_DIR"
  export XDG_RUNTIME_DIR
fi

# Debian's Wine names its server's folder, made in the temporary folder, in
# the prefix's file "wineserver". A prefix that another user made (root's make
# demo in this tree, then an ordinary user's) names that user's folder, which
# is not ours to enter: Wine then makes a folder of our own.
if [ -f "$WINEPREFIX/wineserver" ]; then
  for base in "${TMPDIR:-/tmp}" /tmp; do
    dir=$base/$(cat "$WINEPREFIX/wineserver" 2>/dev/null || true)
    if [ -e "$dir" ] && [ ! -O "$dir" ]; then
      rm -f "$WINEPREFIX/wineserver"
      break
    fi
  done
fi

if [ ! -x "$loader" ]; then
  echo "wine-run.sh: $loader is missing; scripts/bootstrap.sh installs Wine for $arch" >&2
  exit 127
fi

mkdir -p "$(dirname "$WINEPREFIX")"
(
  # One program at a time sets the prefix up. Nothing started here may keep
  # the lock's descriptor (9), or the lock would last as long as the server.
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    # A win64 prefix also sets up its 32-bit half; without 32-bit Wine that
    # part fails at once and the 64-bit prefix is complete all the same.
    setsid "$loader" wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
    setsid "$server" -w </dev/null >/dev/null 2>&1 9>&- || true
  fi
  # Keep one server alive between test programs; a no-op when one is running.
  setsid "$server" -p30 </dev/null >/dev/null 2>&1 9>&- || true
) 9>"$WINEPREFIX.lock"
[ -z "$init" ] || exit 0

# The program writes to a file that is copied out afterwards:
#  - Wine starts its service processes (explorer, services, winedevice) from the
#    first program that needs them, and they inherit that program's output; a
#    reader of a pipe would wait until those services end;
#  - on a terminal Wine would run a console of its own, redrawing the output
#    with escape sequences; a file receives the program's bytes unchanged.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=0
"$loader" "$@" >"$out" 2>&1 || status=$?
cat "$out"
exit "$status"
