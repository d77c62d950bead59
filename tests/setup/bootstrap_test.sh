#!/usr/bin/env bash
# The set-up's decisions, against stand-ins for apt-get, dpkg, dpkg-query, id,
# locale, locale-gen, localedef and sleep put first on PATH: no package is
# installed and no network is used. Each row runs scripts/bootstrap.sh on a
# stand-in machine, once for each update it names.
#
#   row | uid | windows | groups | machine | update | broken | exit | output | marker
#
#   windows   the Wine architectures the machine could run (--windows)
#   machine   what it has at first: "all" (every package the groups want),
#             "-PKG" (but that one), "held:PKG" (that one installed and on
#             hold), "i386" (the architecture added, its index fetched),
#             "recent" (the indexes updated within the hour), "no-locale",
#             "ja" (the user's LANG is ja_JP.UTF-8), "lock:N" (another
#             process holds apt's lock for the next N calls; "never")
#   update    how each run's `apt-get update` goes, ','-separated, one run
#             each: ok | mid-sync (the i386 index fails every time) | once
#             (it fails once) | unreachable (a source out of reach every
#             time: only a warning, unless --error-on=any); the other columns
#             judge the last run
#   broken    packages apt cannot install
#   output    grep -E patterns for the output, ';'-separated; "!PATTERN" must
#             not match; "~PATTERN" is a grep -P pattern over the whole
#             output (\n for a line end); "-" alone means no output at all
#   marker    pattern for build/setup/wine32-unavailable; "none" when absent
#
# Whatever the row, an update that failed leaves no "updated" stamp, and
# i386 stays added only where 32-bit Wine came with it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$here/../..
work=$(mktemp -d "${TMPDIR:-/tmp}/bootstrap-test.XXXXXX")
trap 'rm -rf "$work"' EXIT

all="cmake make g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
     locales wine64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
     mingw-w64-x86-64-dev googletest clang libclang-rt-dev python3-pefile xvfb xdotool imagemagick
     fonts-ipafont-gothic fonts-wine wine32:i386"
index=http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz
unreachable=http://127.0.0.1:9/unreachable/dists/stable/InRelease

# --- Stand-ins -----------------------------------------------------------------
# apt-get knows :i386 packages only after i386 was added and an update then
# fetched that architecture's index; an update empties the lists folder of
# what it did not fetch, as apt's does. As strict as apt where set-up relies
# on it: an option it does not know is an error; it speaks Japanese under a
# Japanese locale (LC_ALL, then LC_MESSAGES, then LANG); an unreachable
# source is a warning, exit 0, unless --error-on=any; while another process
# holds its lock it fails at once.
bin=$work/bin
mkdir -p "$bin"
cat >"$bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$FAKE/calls"
case ${LC_ALL:-${LC_MESSAGES:-${LANG:-C}}} in ja*) ja=1 ;; *) ja="" ;; esac
say() { if [ -n "$ja" ]; then echo "$2"; else echo "$1"; fi; }  # English, Japanese
command=""
packages=()
error_on_any=""
no_remove=""
while [ $# -gt 0 ]; do
  case $1 in
    -q | -y | --no-install-recommends) ;;
    --no-remove) no_remove=1 ;;
    --error-on=any) error_on_any=1 ;;
    -o) shift ;;
    -*) say "E: Command line option $1 is not understood in combination with the other options" \
            "E: コマンドラインオプション $1 は他のオプションと組み合わせて使えません"
        exit 100 ;;
    *) if [ -z "$command" ]; then command=$1; else packages+=("$1"); fi ;;
  esac
  shift
done
if [ -n "${FAKE_LOCK:-}" ]; then
  n=$(($(cat "$FAKE/locked-calls" 2>/dev/null || echo 0) + 1)); echo $n >"$FAKE/locked-calls"
  if [ "$FAKE_LOCK" = never ] || [ "$n" -le "$FAKE_LOCK" ]; then
    [ "$n" -le 1000 ] || { echo "stand-in: called 1000 times while its lock is held"; exit 99; }
    say "E: Could not get lock /var/lib/dpkg/lock-frontend. It is held by process 4242 (unattended-upgr)" \
        "E: ロック /var/lib/dpkg/lock-frontend を取得できません。プロセス 4242 (unattended-upgr) が保持しています"
    say "E: Unable to acquire the dpkg frontend lock (/var/lib/dpkg/lock-frontend), is another process using it?" \
        "E: dpkg フロントエンドロック (/var/lib/dpkg/lock-frontend) を取得できません。他のプロセスが使用していませんか?"
    exit 100
  fi
fi
case $command in
  update)
    n=$(($(cat "$FAKE/updates" 2>/dev/null || echo 0) + 1)); echo $n >"$FAKE/updates"
    rm -f "$FAKE/lists"/*
    if [ "$FAKE_UPDATE" = mid-sync ] || { [ "$FAKE_UPDATE" = once ] && [ "$n" -eq "$(cat "$FAKE/first-update")" ]; }; then
      echo "Err:6 $FAKE_INDEX"
      say "E: Failed to fetch $FAKE_INDEX  File has unexpected size (374820 != 376004). Mirror sync in progress?" \
          "E: $FAKE_INDEX の取得に失敗しました  ファイルサイズが想定外です (374820 != 376004)。ミラー同期中ですか?"
      say "E: Some index files failed to download. They have been ignored, or old ones used instead." \
          "E: いくつかのインデックスファイルのダウンロードに失敗しました。これらは無視されるか、古いものが代わりに使われます。"
      exit 100
    fi
    ! grep -qx i386 "$FAKE/archs" 2>/dev/null || touch "$FAKE/i386-known"
    if [ "$FAKE_UPDATE" = unreachable ]; then
      level=W; [ -z "$error_on_any" ] || level=E
      echo "Err:1 http://127.0.0.1:9/unreachable stable InRelease"
      say "$level: Failed to fetch $FAKE_UNREACHABLE  Could not connect to 127.0.0.1:9 (127.0.0.1). - connect (111: Connection refused)" \
          "$level: $FAKE_UNREACHABLE の取得に失敗しました  127.0.0.1:9 (127.0.0.1) へ接続できませんでした。 - connect (111: 接続を拒否されました)"
      say "$level: Some index files failed to download. They have been ignored, or old ones used instead." \
          "$level: いくつかのインデックスファイルのダウンロードに失敗しました。これらは無視されるか、古いものが代わりに使われます。"
      [ -z "$error_on_any" ] || exit 100
    fi ;;
  install)
    [ -n "$no_remove" ] || { echo "stand-in: an install that may remove packages"; exit 99; }
    for p in "${packages[@]}"; do
      if [[ $p == *:i386 ]] && [ ! -f "$FAKE/i386-known" ]; then
        say "E: Unable to locate package $p" "E: パッケージ $p が見つかりません"; exit 100
      fi
      case " $FAKE_BROKEN " in
        *" $p "*) case $p in
                    wine32:i386) say "The following packages have unmet dependencies:" "以下のパッケージには満たせない依存関係があります:"
                                 say " libc6:i386 : Depends: libgcc-s1:i386 but it is not going to be installed" \
                                     " libc6:i386 : 依存: libgcc-s1:i386 しかし、インストールされようとしていません"
                                 say "E: Unable to correct problems, you have held broken packages." \
                                     "E: 問題を解決することができません。壊れた変更禁止パッケージがあります。" ;;
                    *) say "E: Unable to locate package $p" "E: パッケージ $p が見つかりません" ;;
                  esac
                  exit 100 ;;
      esac
    done
    printf '%s\n' "${packages[@]}" >>"$FAKE/installed" ;;
  *) say "E: Invalid operation $command" "E: 不正な操作 $command"; exit 100 ;;
esac
EOF
# dpkg's status of a held package is "hold ok installed".
cat >"$bin/dpkg-query" <<'EOF'
#!/bin/sh
pkg=$(eval echo \${$#})
grep -qx "$pkg" "$FAKE/installed" 2>/dev/null || exit 1
case $2 in
  *db:Status-Status*) echo installed ;;
  *) if grep -qx "$pkg" "$FAKE/held" 2>/dev/null; then echo "hold ok installed"; else echo "install ok installed"; fi ;;
esac
EOF
# dpkg takes an architecture away only while nothing of it is installed.
cat >"$bin/dpkg" <<'EOF'
#!/bin/sh
case $1 in
  --print-foreign-architectures) cat "$FAKE/archs" 2>/dev/null ;;
  --add-architecture) echo "$2" >>"$FAKE/archs" ;;
  --remove-architecture)
    if grep -q ":$2\$" "$FAKE/installed" 2>/dev/null; then
      echo "dpkg: error: cannot remove architecture '$2' currently in use by the database" >&2; exit 2
    fi
    sed -i "/^$2\$/d" "$FAKE/archs" ;;
esac
EOF
cat >"$bin/locale-gen" <<'EOF'
#!/bin/sh
echo "locale-gen" >>"$FAKE/calls"
! grep -qx 'ja_JP.UTF-8 UTF-8' "$BOOTSTRAP_LOCALE_GEN" || echo ja_JP.utf8 >>"$FAKE/locales"
EOF
# localedef makes the locale, but outside locale.gen: the next upgrade of the
# locales package loses it.
printf '#!/bin/sh\necho "localedef $*" >>"$FAKE/calls"\necho ja_JP.utf8 >>"$FAKE/locales"\n' >"$bin/localedef"
printf '#!/bin/sh\necho "$FAKE_UID"\n' >"$bin/id"
printf '#!/bin/sh\ncat "$FAKE/locales"\n' >"$bin/locale"
printf '#!/bin/sh\necho "sleep $1" >>"$FAKE/calls"\n' >"$bin/sleep"
chmod +x "$bin"/*

# --- Rows ----------------------------------------------------------------------
both="win32 win64"
test_groups="dll tests gui wine-each"
rows=$(cat <<EOF
nothing missing|0|$both|$test_groups|all|ok||0|-|none
an index mid-sync, tried again, then done without|0|$both|$test_groups||mid-sync||0|trying again in 0 s;could not be updated; going on with the others;$index;installing .*wine64|\(E: Unable to locate package wine32:i386\)
an index that recovers|0|$both|dll wine||once||0|trying again;installing 32-bit Wine|none
a failed update is tried again within the hour|0|$both|dll wine-each||mid-sync,ok||0|updating the package indexes;installing 32-bit Wine|none
an update within the hour is reused|0|$both|dll|recent|ok||0|installing cmake;!updating|none
i386 added and its index fetched before 32-bit Wine|0|$both|dll wine|recent|ok||0|updating the package indexes;installing 32-bit Wine|none
32-bit Wine not installable: the 64-bit suite alone|0|$both|$test_groups||ok|wine32:i386|0|32-bit Wine cannot be installed;Depends: libgcc-s1:i386;held broken packages|^wine32:i386 cannot be installed \(libc6:i386 : Depends: libgcc-s1:i386 but it is not going to be installed; E: Unable to correct problems, you have held broken packages.\)\$
32-bit Wine not installable: the demo takes 64-bit Wine|0|$both|dll wine||ok|wine32:i386|0|32-bit Wine cannot be installed;installing wine64 g\+\+-mingw-w64-x86-64-posix|cannot be installed
the toolchain not installable|0|$both|$test_groups||ok|g++-mingw-w64-i686-posix|1|cannot install cmake make g\+\+-mingw-w64-i686-posix;E: Unable to locate package g\+\+-mingw-w64-i686-posix;by hand, as root: apt-get update && apt-get install --no-install-recommends cmake|none
the locale missing: enabled in locale.gen, then made|0|$both|dll wine|all no-locale|ok||0|making the locale ja_JP.UTF-8|none
a package on hold is installed|1000|$both|dll wine|all held:cmake|ok||0|-|none
not root, the locale missing|1000|$both|dll wine|all no-locale|ok||1|the locale ja_JP.UTF-8;^    echo 'ja_JP.UTF-8 UTF-8' >>[^ ]*locale.gen && locale-gen\$;!apt-get|none
not root, 32-bit Wine can run: the plan, 32-bit Wine a command of its own|1000|$both|dll wine||ok||1|~as root, run:\n    dpkg --add-architecture i386\n    apt-get update\n    apt-get install --no-install-recommends cmake make [^:\n]*locales\n    apt-get install --no-install-recommends wine32:i386\n;^bootstrap: where wine32:i386 cannot be installed, the command runs its Windows programs on the 64-bit build instead, which needs:\$;^    apt-get install --no-install-recommends wine64 g\+\+-mingw-w64-x86-64-posix [^:]*\$;dpkg --remove-architecture i386|none
not root, no 32-bit mode: the 64-bit toolchain|1000|win64|dll wine||ok||1|^    apt-get install --no-install-recommends cmake make .* wine64 g\+\+-mingw-w64-x86-64-posix;!i386|none
not root, only 32-bit Wine missing|1000|$both|$test_groups|all -wine32:i386|ok||0|-|needs root
not root, both Wines missing: nothing goes on|1000|$both|dll wine|all i386 -wine32:i386 -wine64|ok||1|~as root, run:\n    apt-get update\n    apt-get install --no-install-recommends wine32:i386\n;^    apt-get install --no-install-recommends wine64\$|none
--windows win32, 32-bit Wine not installable: it stops, and i386 goes again|0|win32|dll wine||ok|wine32:i386|1|cannot install wine32:i386;held broken packages;by hand, as root: dpkg --add-architecture i386 && apt-get update && apt-get install --no-install-recommends wine32:i386;i386, added for 32-bit Wine alone, is taken away again|none
apt in Japanese: an unreachable source is tried again and named|0|$both|dll wine|ja|unreachable||0|trying again in 0 s;could not be updated; going on with the others;^    http://127\.0\.0\.1:9/unreachable/dists/stable/InRelease  Could not connect;installing 32-bit Wine|none
apt in Japanese: why 32-bit Wine cannot be installed, in apt's words|0|$both|$test_groups|ja|ok|wine32:i386|0|32-bit Wine cannot be installed|^wine32:i386 cannot be installed \(libc6:i386 : Depends: libgcc-s1:i386 but it is not going to be installed; E: Unable to correct problems, you have held broken packages.\)\$
apt's lock held for a while: set-up waits, then installs|0|$both|dll|lock:3|ok||0|^bootstrap: apt's lock is held by process 4242 \(unattended-upgr\); waiting for it;installing cmake;!still held|none
apt's lock never freed: set-up stops with apt's words|0|$both|dll|lock:never|ok||1|apt's lock is still held by process 4242 \(unattended-upgr\) after 300 s;^    E: Could not get lock /var/lib/dpkg/lock-frontend;by hand, as root: apt-get update|none
EOF
)

failures=0
n=0
while IFS='|' read -r name uid windows groups machine updates broken want_exit outputs marker; do
  n=$((n + 1))
  fake=$work/machine-$n
  mkdir -p "$fake/lists"
  lang=C.UTF-8
  lock=""
  printf '%s\n' C.utf8 ja_JP.utf8 >"$fake/locales"
  printf '%s\n' "# en_US.UTF-8 UTF-8" "# ja_JP.UTF-8 UTF-8" >"$fake/locale.gen"
  for fact in $machine; do
    case $fact in
      all) printf '%s\n' $all >"$fake/installed" ;;
      -*) sed -i "/^${fact#-}\$/d" "$fake/installed" ;;
      held:*) echo "${fact#held:}" >>"$fake/held" ;;
      i386) echo i386 >"$fake/archs"; touch "$fake/i386-known" ;;
      recent) touch "$fake/lists/ombry-bootstrap-updated" ;;
      no-locale) echo C.utf8 >"$fake/locales" ;;
      ja) lang=ja_JP.UTF-8 ;;
      lock:*) lock=${fact#lock:} ;;
    esac
  done
  IFS=',' read -ra runs <<<"$updates"
  for update in "${runs[@]}"; do
    status=0
    # "once": the first update of this run fails.
    echo $(($(cat "$fake/updates" 2>/dev/null || echo 0) + 1)) >"$fake/first-update"
    out=$(env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG="$lang" PATH="$bin:$PATH" FAKE="$fake" FAKE_UID="$uid" \
              FAKE_UPDATE="$update" FAKE_BROKEN="$broken" FAKE_INDEX="$index" FAKE_UNREACHABLE="$unreachable" \
              FAKE_LOCK="$lock" BOOTSTRAP_STATE="$fake/state" BOOTSTRAP_APT_LISTS="$fake/lists" \
              BOOTSTRAP_LOCALE_GEN="$fake/locale.gen" BOOTSTRAP_RETRY_PAUSE=0 \
              "$root/scripts/bootstrap.sh" --windows "$windows" $groups 2>&1) || status=$?
  done
  problems=()
  [ "$status" = "$want_exit" ] || problems+=("exit $status, expected $want_exit")
  IFS=';' read -ra patterns <<<"$outputs"
  for pattern in "${patterns[@]}"; do
    if [ "$pattern" = - ]; then
      [ -z "$out" ] || problems+=("output where none was expected")
    elif [[ $pattern == ~* ]]; then
      grep -qPz -- "${pattern#\~}" <<<"$out" || problems+=("no output matching '${pattern#\~}'")
    elif [[ $pattern == !* ]]; then
      ! grep -qE -- "${pattern#!}" <<<"$out" || problems+=("output matching '${pattern#!}'")
    else
      grep -qE -- "$pattern" <<<"$out" || problems+=("no output matching '$pattern'")
    fi
  done
  note=$fake/state/wine32-unavailable
  if [ "$marker" = none ]; then
    [ ! -f "$note" ] || problems+=("a wine32-unavailable note: $(cat "$note")")
  else
    grep -qE -- "$marker" "$note" 2>/dev/null || problems+=("the wine32-unavailable note does not match '$marker'")
  fi
  if [[ $update =~ ^(mid-sync|unreachable)$ ]] && [ -f "$fake/lists/ombry-bootstrap-updated" ]; then
    problems+=("the indexes failed to update, yet the update is stamped as recent")
  fi
  if [[ " $machine " != *" i386 "* ]] && grep -qx i386 "$fake/archs" 2>/dev/null &&
     ! grep -qx wine32:i386 "$fake/installed" 2>/dev/null; then
    problems+=("i386 is left added, without 32-bit Wine")
  fi
  if [[ " $machine " == *" no-locale "* ]] && [ "$want_exit" = 0 ]; then
    # Made from locale.gen, where an upgrade of the locales package finds it.
    grep -qx 'ja_JP.UTF-8 UTF-8' "$fake/locale.gen" || problems+=("ja_JP.UTF-8 is not enabled in locale.gen")
    grep -qx ja_JP.utf8 "$fake/locales" || problems+=("the locale ja_JP.UTF-8 was not made")
  fi
  if [ "$want_exit" = 0 ] && [ -n "$broken" ] && [ "$uid" = 0 ]; then
    # What the suite then runs, and what its first line says.
    explain=$(BOOTSTRAP_STATE="$fake/state" OMBRY_32BIT=native "$root/scripts/windows-arch.sh" --explain)
    archs=$(BOOTSTRAP_STATE="$fake/state" OMBRY_32BIT=native "$root/scripts/windows-arch.sh")
    [ "$archs" = win64 ] || problems+=("windows-arch.sh chose '$archs', expected win64")
    grep -qE "^32-bit programs run here, but wine32:i386 cannot be installed \(.*E: .*\): the 32-bit DLL is checked" \
      <<<"$explain" || problems+=("windows-arch.sh says: $explain")
  fi
  if [ ${#problems[@]} -eq 0 ]; then
    echo "ok   $name"
  else
    failures=$((failures + 1))
    echo "FAIL $name"
    printf '       %s\n' "${problems[@]}"
    echo "     output:"
    sed 's/^/       | /' <<<"$out"
    echo "     calls:"
    sed 's/^/       | /' "$fake/calls" 2>/dev/null || true
  fi
done <<<"$rows"

echo "$((n - failures)) of $n rows passed"
[ "$failures" -eq 0 ]
