#!/usr/bin/env bash
# Installs what one command of the Makefile needs on a fresh Debian 12 or 13
# machine, as root; does nothing when all of it is there. A fresh machine needs
# only git and make: every command's groups name what it uses, CMake and the
# compilers included.
#
#   dll       CMake and the i686 mingw-w64 posix toolchain that builds the DLL
#   wine      Wine for the first of the Windows architectures that can be
#             installed (and the x86-64 toolchain for win64), with the
#             Japanese locale that gives Wine code page 932
#   wine-each Wine for every one of them (make test runs a suite on each)
#   tests     GoogleTest, clang with its sanitizer and fuzzer runtimes, and
#             the PE reader of the DLL's static check
#   gui       the test in a real window: Xvfb, xdotool, ImageMagick, fonts
#   fonts     the fonts a window of the host needs (Japanese, Wine's own)
#   lint      clang-tidy and cppcheck
#   coverage  gcovr, and GCC with its gcov for the native coverage build
#   bench     CMake, clang and Google Benchmark
#   fuzz      CMake, clang with its fuzzer runtime
#   dist      the PE reader of the DLL's static check (with Python, which
#             also writes and reads back the ZIP)
#
# Usage: bootstrap.sh [--windows "win32 win64"] GROUP...
#   --windows   the Wine architectures this machine can run, in the order of
#               preference (scripts/windows-arch.sh --candidates)
#
# Package names are Debian's unversioned ones (clang, libclang-rt-dev, ...),
# which each release points at its own versions.
#
# What it meets on the way:
#  - a package index that fails to update (a mirror mid-sync): the update is
#    tried again a few times with a pause; indexes that still fail are named
#    and set-up goes on with those that updated. Only an update in which every
#    index updated counts as recent: it is kept as a stamp among the machine's
#    package lists, so that lists thrown away (a rebuilt container) are updated
#    again whatever the build folder holds;
#  - 32-bit Wine (wine32:i386) that cannot be installed: set-up goes on, and
#    the reason, with apt's error, is kept in $state/wine32-unavailable, from
#    which scripts/windows-arch.sh then runs the Windows suite on the 64-bit
#    build only (the 32-bit DLL is checked without running it);
#  - anything else the command cannot do without that cannot be installed: it
#    stops, naming what was wanted, apt's error and the command to run by hand;
#  - no root: nothing is installed; it prints the commands that would do, in
#    order, and goes on only where the command can do without what is missing.
# apt never removes or downgrades a package for it (--no-remove, and no
# downgrades allowed). A package counts as installed by dpkg's status alone,
# whatever its want (a hold) says.
#
# The locale is enabled in /etc/locale.gen and made by locale-gen, so that
# the locales package's upgrades, which make every locale of that file again,
# keep it.
#
# Settings for its own test: BOOTSTRAP_STATE (default build/setup),
# BOOTSTRAP_APT_LISTS (/var/lib/apt/lists), BOOTSTRAP_LOCALE_GEN
# (/etc/locale.gen), BOOTSTRAP_UPDATE_TRIES (3), BOOTSTRAP_RETRY_PAUSE
# (seconds, 10).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
state=${BOOTSTRAP_STATE:-$(dirname "$here")/build/setup}
lists=${BOOTSTRAP_APT_LISTS:-/var/lib/apt/lists}
locale_gen=${BOOTSTRAP_LOCALE_GEN:-/etc/locale.gen}
tries=${BOOTSTRAP_UPDATE_TRIES:-3}
pause=${BOOTSTRAP_RETRY_PAUSE:-10}
wine32_note=$state/wine32-unavailable
log=$state/apt.log
# apt-get update empties its lists folder of files it did not fetch, so the
# stamp lasts until the next update by anyone: then it is made again.
stamp=$lists/ombry-bootstrap-updated
locale_line="ja_JP.UTF-8 UTF-8"

archs=""
groups=()
while [ $# -gt 0 ]; do
  case $1 in
    --windows) archs=$2; shift 2 ;;
    *) groups+=("$1"); shift ;;
  esac
done

packages_of() {
  case $1 in
    dll) echo cmake make g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev ;;
    win32) echo locales ;;
    win64) echo locales wine64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
                mingw-w64-x86-64-dev ;;
    tests) echo cmake googletest clang libclang-rt-dev python3-pefile ;;
    gui) echo xvfb xdotool imagemagick fonts-ipafont-gothic fonts-wine ;;
    fonts) echo fonts-ipafont-gothic fonts-wine ;;
    lint) echo clang-tidy cppcheck ;;
    coverage) echo gcovr gcc g++ ;;
    bench) echo cmake make clang libbenchmark-dev ;;
    fuzz) echo cmake make clang libclang-rt-dev ;;
    dist) echo python3-pefile ;;
    *) echo "bootstrap: unknown group '$1'" >&2; exit 2 ;;
  esac
}

installed() { [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]; }
missing_of() {  # packages... -> those not installed
  local p
  for p in "$@"; do installed "$p" || echo "$p"; done
}
is_root() { [ "$(id -u)" -eq 0 ]; }
say() { echo "bootstrap: $*"; }
has_i386() { dpkg --print-foreign-architectures | grep -qx i386; }
has_ja_locale() { locale -a 2>/dev/null | grep -qiE '^ja_JP\.utf-?8$'; }
# apt's own words for a failure: its error lines and the unmet dependencies
# that it names before them (the cause), or else its last line.
apt_error() {
  local errors
  errors=$(awk '/^The following packages have unmet dependencies:/ { deps = 1; print; next }
                deps && /^ / { print; next }
                { deps = 0 }
                /^E: / && !/Some index files failed/' "$1")
  [ -n "$errors" ] || errors=$(tail -n 1 "$1")
  printf '%s\n' "$errors" | sed 's/^ */    /'
}

# What the groups want: the packages nothing can do without, and how Wine is
# chosen.
group_packages() { local list; list=$(packages_of "$1"); read -ra pkgs <<<"$list"; }
hard=()
wine_mode=""
for group in "${groups[@]}"; do
  case $group in
    wine) wine_mode=first ;;
    wine-each) wine_mode=each ;;
    *) group_packages "$group"; hard+=("${pkgs[@]}") ;;
  esac
done
for arch in $archs; do
  case $arch in
    win32 | win64) ;;
    *) echo "bootstrap: unknown Windows architecture '$arch' (win32 or win64)" >&2; exit 2 ;;
  esac
done
# 32-bit Wine is tried on its own. For the first architecture that can be
# installed, 64-bit Wine is then only its fallback.
want_wine32=""
fallback=()
if [ -n "$wine_mode" ]; then
  if [[ " $archs " == *" win32 "* ]]; then
    want_wine32=1
    group_packages win32
    hard+=("${pkgs[@]}")
  fi
  if [[ " $archs " == *" win64 "* ]]; then
    group_packages win64
    if [ "$wine_mode" = first ] && [ -n "$want_wine32" ]; then
      fallback=("${pkgs[@]}")
    else
      hard+=("${pkgs[@]}")
    fi
  fi
fi

mapfile -t need < <(missing_of "${hard[@]}" | awk '!seen[$0]++')
need_wine32=""
if [ -n "$want_wine32" ]; then
  if installed wine32:i386; then
    rm -f "$wine32_note"
  else
    need_wine32=1
  fi
fi
need_locale=""
[ -z "$wine_mode" ] || has_ja_locale || need_locale=1

mkdir -p "$state"

# Without root nothing can be installed. Where all the command needs but
# 32-bit Wine is there, it goes on with 64-bit Wine; otherwise it names the
# commands that would do, 32-bit Wine included where it can run.
if ! is_root; then
  if [ -n "$need_wine32" ] && [[ " $archs " == *" win64 "* ]] && [ ${#need[@]} -eq 0 ] &&
     [ -z "$need_locale" ] && [ -z "$(missing_of "${fallback[@]}")" ]; then
    echo "wine32:i386 is not installed, and installing it needs root" >"$wine32_note"
    need_wine32=""
  fi
  [ -z "$need_wine32" ] || need+=(wine32:i386)
  if [ ${#need[@]} -gt 0 ] || [ -n "$need_locale" ]; then
    missing=("${need[@]}")
    [ -z "$need_locale" ] || missing+=("the locale ja_JP.UTF-8")
    say "this command needs what is not installed: ${missing[*]}"
    say "as root, run:"
    if [ -n "$need_wine32" ] && ! has_i386; then echo "    dpkg --add-architecture i386"; fi
    if [ ${#need[@]} -gt 0 ]; then
      echo "    apt-get update"
      echo "    apt-get install --no-install-recommends ${need[*]}"
    fi
    if [ -n "$need_locale" ]; then
      echo "    echo '$locale_line' >>$locale_gen && locale-gen"
    fi
    exit 1
  fi
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
if [ ${#need[@]} -gt 0 ] || [ -n "$need_wine32" ]; then
  added_i386=""
  if [ -n "$need_wine32" ] && ! has_i386; then
    dpkg --add-architecture i386
    added_i386=1
  fi

  # The package indexes, again a few times where some fail; then on with
  # those that updated. Only an update with no failure is reused, for an hour.
  if [ -n "$added_i386" ] || [ -z "$(find "$stamp" -mmin -60 2>/dev/null)" ]; then
    say "updating the package indexes (apt's output: $log)"
    failed=""
    for try in $(seq "$tries"); do
      status=0
      apt-get update -q >"$log" 2>&1 || status=$?
      failed=$(grep -E '^(E|W): Failed to fetch ' "$log" | sed -E 's/^.: Failed to fetch //' || true)
      [ "$status" -eq 0 ] && [ -z "$failed" ] && break
      [ -n "$failed" ] || failed=$(apt_error "$log")
      if [ "$try" -lt "$tries" ]; then
        say "some package indexes failed to update; trying again in ${pause} s"
        sleep "$pause"
      fi
    done
    if [ -n "$failed" ]; then
      say "these package indexes could not be updated; going on with the others:"
      printf '%s\n' "$failed" | sed 's/^ */    /'
    else
      touch "$stamp"
    fi
  fi

  # apt's output of the last install in $log.last, and after the rest in $log.
  apt_install() {
    local status=0
    apt-get install -y -q --no-install-recommends --no-remove "$@" >"$log.last" 2>&1 || status=$?
    cat "$log.last" >>"$log"
    return "$status"
  }
  stop() {  # what was wanted
    say "cannot install $*; apt said:"
    apt_error "$log.last"
    say "to install by hand, as root: apt-get update && apt-get install --no-install-recommends $*"
    exit 1
  }

  if [ ${#need[@]} -gt 0 ]; then
    say "installing ${need[*]}"
    apt_install "${need[@]}" || stop "${need[@]}"
  fi

  if [ -n "$need_wine32" ]; then
    say "installing 32-bit Wine (wine32:i386)"
    if apt_install wine32:i386; then
      rm -f "$wine32_note"
    else
      [[ " $archs " == *" win64 "* ]] || stop wine32:i386
      # apt's reason on one line: the unmet dependencies, then its error.
      reason=$(apt_error "$log.last" | sed -E 's/^ +//; s/ +/ /g' |
               awk '!/^The following packages/ { printf "%s%s", sep, $0; sep = "; " }')
      echo "wine32:i386 cannot be installed ($reason)" >"$wine32_note"
      say "32-bit Wine cannot be installed, so Windows programs run on the 64-bit build; apt said:"
      apt_error "$log.last"
      mapfile -t extra < <(missing_of "${fallback[@]}")
      if [ ${#extra[@]} -gt 0 ]; then
        say "installing ${extra[*]}"
        apt_install "${extra[@]}" || stop "${extra[@]}"
      fi
    fi
  fi
fi

if [ -n "$need_locale" ]; then
  say "making the locale ja_JP.UTF-8 (Wine's code page 932)"
  grep -qxF "$locale_line" "$locale_gen" 2>/dev/null || echo "$locale_line" >>"$locale_gen"
  locale-gen >>"$log" 2>&1 || { say "locale-gen failed; its output is in $log"; exit 1; }
  has_ja_locale || { say "locale-gen did not make ja_JP.UTF-8; its output is in $log"; exit 1; }
fi
