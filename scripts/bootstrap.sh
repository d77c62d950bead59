#!/usr/bin/env bash
# Installs what one command of the Makefile needs on a fresh Debian 12 or 13
# machine, as root; does nothing when all of it is there. Each command names
# the groups it uses:
#
#   dll       the i686 mingw-w64 posix toolchain that builds the DLL
#   wine      Wine for the first of the Windows architectures that can be
#             installed (and the x86-64 toolchain for win64), with the
#             Japanese locale that gives Wine code page 932
#   wine-each Wine for every one of them (make test runs a suite on each)
#   tests     GoogleTest, and clang with its sanitizer and fuzzer runtimes
#   gui       the test in a real window: Xvfb, xdotool, ImageMagick, fonts
#   fonts     the fonts a window of the host needs (Japanese, Wine's own)
#   lint      clang-tidy and cppcheck
#   coverage  gcovr
#   bench     clang and Google Benchmark
#   fuzz      clang with its fuzzer runtime
#   dist      zip and unzip
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
#    and set-up goes on with those that updated;
#  - 32-bit Wine (wine32:i386) that cannot be installed: set-up goes on, and
#    the reason, with apt's error, is kept in $state/wine32-unavailable, from
#    which scripts/windows-arch.sh then runs the Windows suite on the 64-bit
#    build only (the 32-bit DLL is checked without running it);
#  - anything else the command cannot do without that cannot be installed: it
#    stops, naming what was wanted, apt's error and the command to run by hand.
# apt never removes or downgrades a package for it (--no-remove, and no
# downgrades allowed).
#
# Settings for its own test: BOOTSTRAP_STATE (default build/setup),
# BOOTSTRAP_UPDATE_TRIES (3), BOOTSTRAP_RETRY_PAUSE (seconds, 10).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
state=${BOOTSTRAP_STATE:-$(dirname "$here")/build/setup}
tries=${BOOTSTRAP_UPDATE_TRIES:-3}
pause=${BOOTSTRAP_RETRY_PAUSE:-10}
wine32_note=$state/wine32-unavailable
log=$state/apt.log

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
    tests) echo googletest clang libclang-rt-dev ;;
    gui) echo xvfb xdotool imagemagick fonts-ipafont-gothic fonts-wine ;;
    fonts) echo fonts-ipafont-gothic fonts-wine ;;
    lint) echo clang-tidy cppcheck ;;
    coverage) echo gcovr ;;
    bench) echo clang libbenchmark-dev ;;
    fuzz) echo clang libclang-rt-dev ;;
    dist) echo zip unzip ;;
    *) echo "bootstrap: unknown group '$1'" >&2; exit 2 ;;
  esac
}

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
missing_of() {  # packages... -> those not installed
  local p
  for p in "$@"; do installed "$p" || echo "$p"; done
}
is_root() { [ "$(id -u)" -eq 0 ]; }
say() { echo "bootstrap: $*"; }
# apt's own words for a failure: its error lines, or its last line.
apt_error() {
  local errors
  errors=$(grep -E '^E: ' "$1" | grep -v 'Some index files failed' || true)
  [ -n "$errors" ] || errors=$(tail -n 1 "$1")
  printf '%s\n' "$errors" | sed 's/^/    /'
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

mkdir -p "$state"

# Without root nothing can be installed: 32-bit Wine is done without, the rest
# is asked for.
if ! is_root; then
  if [ -n "$need_wine32" ] && [[ " $archs " != *" win64 "* ]]; then
    need+=(wine32:i386)
  elif [ -n "$need_wine32" ]; then
    echo "wine32:i386 is not installed, and installing it needs root" >"$wine32_note"
    mapfile -t need < <(missing_of "${need[@]}" "${fallback[@]}" | awk '!seen[$0]++')
  fi
  if [ ${#need[@]} -gt 0 ]; then
    say "this command needs packages that are not installed: ${need[*]}"
    say "install them as root: apt-get install --no-install-recommends ${need[*]}"
    exit 1
  fi
fi

if is_root && { [ ${#need[@]} -gt 0 ] || [ -n "$need_wine32" ]; }; then
  export DEBIAN_FRONTEND=noninteractive
  added_i386=""
  if [ -n "$need_wine32" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    added_i386=1
  fi

  # The package indexes, again a few times where some fail; then on with
  # those that updated. An update of the last hour is reused.
  stamp=$state/apt-updated
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
      printf '%s\n' "$failed" | sed 's/^/    /'
    fi
    touch "$stamp"
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
      reason=$(apt_error "$log.last" | sed 's/^ *//' | head -n 1)
      echo "wine32:i386 cannot be installed ($reason)" >"$wine32_note"
      say "32-bit Wine cannot be installed, so Windows programs run on the 64-bit build; apt said:"
      echo "    $reason"
      mapfile -t extra < <(missing_of "${fallback[@]}")
      if [ ${#extra[@]} -gt 0 ]; then
        say "installing ${extra[*]}"
        apt_install "${extra[@]}" || stop "${extra[@]}"
      fi
    fi
  fi
fi

if ! locale -a 2>/dev/null | grep -qiE '^ja_JP\.utf-?8$' && [ -n "$wine_mode" ]; then
  if ! is_root; then
    say "the locale ja_JP.UTF-8, which gives Wine code page 932, is missing; as root: localedef -i ja_JP -f UTF-8 ja_JP.UTF-8"
    exit 1
  fi
  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
