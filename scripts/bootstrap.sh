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
# It works out once what the command needs (the packages it cannot do without,
# 32-bit Wine with its 64-bit fallback, the i386 architecture, the locale),
# then carries that plan out as root, or prints it without root, in the same
# order: the required packages, then 32-bit Wine as a command of its own, so
# that each can succeed alone.
#
# What it meets on the way:
#  - apt in the user's language: apt runs in the C locale wherever its output
#    is read, and whether an update worked is apt's exit status with
#    --error-on=any (an unreachable source is otherwise only a warning);
#  - apt's lock held by another process (a cloud image's daily apt jobs, just
#    after boot): it says who holds it and waits, up to five minutes in all;
#    past that it stops with apt's message and what to run by hand;
#  - a package index that fails to update (a mirror mid-sync, a source out of
#    reach): the update is tried again a few times with a pause; indexes that
#    still fail are named and set-up goes on with those that updated. Only an
#    update in which every index updated counts as recent: it is kept as a
#    stamp among the machine's package lists, so that lists thrown away (a
#    rebuilt container) are updated again whatever the build folder holds;
#  - 32-bit Wine (wine32:i386) that cannot be installed: set-up goes on with
#    64-bit Wine, and the reason, with apt's error, is kept in
#    $state/wine32-unavailable, from which scripts/windows-arch.sh then runs
#    the Windows suite on the 64-bit build only (the 32-bit DLL is checked
#    without running it). Where set-up added i386 for it, i386 goes again if
#    dpkg lets it (nothing of i386 installed), so that no later update on the
#    machine fetches i386 indexes for nothing; otherwise it says how;
#  - anything else the command cannot do without that cannot be installed: it
#    stops, naming what was wanted, apt's error and the command to run by hand;
#  - no root: nothing is installed; it prints the plan and goes on only where
#    all but 32-bit Wine is there, its 64-bit fallback included.
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
# (seconds, 10), BOOTSTRAP_LOCK_WAIT (seconds, 300), BOOTSTRAP_LOCK_PAUSE
# (seconds, 5).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
state=${BOOTSTRAP_STATE:-$(dirname "$here")/build/setup}
lists=${BOOTSTRAP_APT_LISTS:-/var/lib/apt/lists}
locale_gen=${BOOTSTRAP_LOCALE_GEN:-/etc/locale.gen}
tries=${BOOTSTRAP_UPDATE_TRIES:-3}
pause=${BOOTSTRAP_RETRY_PAUSE:-10}
lock_wait=${BOOTSTRAP_LOCK_WAIT:-300}
lock_pause=${BOOTSTRAP_LOCK_PAUSE:-5}
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
missing_of() {  # packages... -> those not installed, each once
  local p
  for p in "$@"; do installed "$p" || echo "$p"; done | awk '!seen[$0]++'
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

# --- The plan -------------------------------------------------------------------
# required   missing packages the command cannot do without
# wine32     32-bit Wine to install: "fallback" where 64-bit Wine can stand in
#            for it, "only" where nothing can (--windows win32)
# fallback   missing packages of 64-bit Wine, needed only if 32-bit Wine fails
# add_i386   the i386 architecture to add first, for 32-bit Wine
# make_locale  the Japanese locale to make
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
wants() { [[ " $archs " == *" $1 "* ]]; }
wine64_packages=()
if [ -n "$wine_mode" ]; then
  if wants win32; then
    group_packages win32
    hard+=("${pkgs[@]}")
  fi
  if wants win64; then
    group_packages win64
    # For the first architecture that can be installed, 64-bit Wine is only
    # 32-bit Wine's fallback.
    if [ "$wine_mode" = first ] && wants win32; then
      wine64_packages=("${pkgs[@]}")
    else
      hard+=("${pkgs[@]}")
    fi
  fi
fi

mapfile -t required < <(missing_of "${hard[@]}")
wine32=""
fallback=()
add_i386=""
if [ -n "$wine_mode" ] && wants win32; then
  if installed wine32:i386; then
    rm -f "$wine32_note"
  else
    wine32=only
    if wants win64; then
      wine32=fallback
      mapfile -t fallback < <(missing_of "${wine64_packages[@]}" | grep -vxF -f <(printf '%s\n' "${required[@]}"))
    fi
    has_i386 || add_i386=1
  fi
fi
make_locale=""
[ -z "$wine_mode" ] || has_ja_locale || make_locale=1

mkdir -p "$state"

# --- Without root: the plan printed ---------------------------------------------
# Nothing can be installed. Where all but 32-bit Wine is there, its fallback
# included, the command goes on with 64-bit Wine.
print_plan() {
  local wanted=("${required[@]}")
  [ -z "$wine32" ] || wanted+=(wine32:i386)
  [ -z "$make_locale" ] || wanted+=("the locale ja_JP.UTF-8")
  say "this command needs what is not installed: ${wanted[*]}"
  say "as root, run:"
  [ -z "$add_i386" ] || echo "    dpkg --add-architecture i386"
  [ ${#required[@]} -eq 0 ] && [ -z "$wine32" ] || echo "    apt-get update"
  [ ${#required[@]} -eq 0 ] || echo "    apt-get install --no-install-recommends ${required[*]}"
  [ -z "$wine32" ] || echo "    apt-get install --no-install-recommends wine32:i386"
  [ -z "$make_locale" ] || echo "    echo '$locale_line' >>$locale_gen && locale-gen"
  case $wine32 in
    only) say "where wine32:i386 cannot be installed, this command cannot run (it runs 32-bit Windows programs only)" ;;
    fallback)
      if [ ${#fallback[@]} -gt 0 ]; then
        say "where wine32:i386 cannot be installed, the command runs its Windows programs on the 64-bit build instead, which needs:"
        echo "    apt-get install --no-install-recommends ${fallback[*]}"
      else
        say "where wine32:i386 cannot be installed, the command runs its Windows programs on the 64-bit build instead"
      fi ;;
  esac
  if [ -n "$wine32" ] && [ -n "$add_i386" ]; then
    say "and i386, then added for nothing, can go again: dpkg --remove-architecture i386"
  fi
}
if ! is_root; then
  if [ "$wine32" = fallback ] && [ ${#required[@]} -eq 0 ] && [ ${#fallback[@]} -eq 0 ] && [ -z "$make_locale" ]; then
    echo "wine32:i386 is not installed, and installing it needs root" >"$wine32_note"
    exit 0
  fi
  if [ ${#required[@]} -gt 0 ] || [ -n "$wine32" ] || [ -n "$make_locale" ]; then
    print_plan
    exit 1
  fi
  exit 0
fi

# --- As root: the plan carried out ----------------------------------------------
export DEBIAN_FRONTEND=noninteractive

# Whether apt's last call failed for want of its lock.
lock_held() { grep -q '^E: Could not get lock' "$log.last"; }
# apt-get in the C locale, so that its words can be read; its output in
# $log.last, then added to $log. While another process holds apt's lock, it
# waits, up to $lock_wait seconds in all, saying who holds it.
apt_get() {
  local status waited=0 holder told=""
  while :; do
    status=0
    LC_ALL=C apt-get "$@" >"$log.last" 2>&1 || status=$?
    cat "$log.last" >>"$log"
    [ "$status" -ne 0 ] && lock_held || return "$status"
    holder=$(sed -n 's/^E: Could not get lock .* It is held by \(.*\)$/\1/p' "$log.last" | head -n 1)
    holder=${holder:-another process}
    if [ "$waited" -ge "$lock_wait" ]; then
      say "apt's lock is still held by $holder after $waited s"
      return "$status"
    fi
    [ "$holder" = "$told" ] || say "apt's lock is held by $holder; waiting for it (at most $lock_wait s in all)"
    told=$holder
    sleep "$lock_pause"
    waited=$((waited + lock_pause))
  done
}
stop() {  # the by-hand command, what was wanted
  local by_hand=$1
  shift
  forget_i386
  say "cannot $*; apt said:"
  apt_error "$log.last"
  say "to do it by hand, as root: $by_hand"
  exit 1
}
# i386 added for 32-bit Wine, which did not come: taken away again where
# dpkg lets it (nothing of i386 installed).
added_i386=""
forget_i386() {
  [ -n "$added_i386" ] || return 0
  added_i386=""
  if dpkg --remove-architecture i386 >>"$log" 2>&1; then
    say "i386, added for 32-bit Wine alone, is taken away again"
  else
    say "i386 stays added (dpkg keeps it while i386 packages are installed; see $log); to take it away: dpkg --remove-architecture i386"
  fi
}

: >"$log"
if [ ${#required[@]} -gt 0 ] || [ -n "$wine32" ]; then
  if [ -n "$add_i386" ]; then
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
      apt_get update -q --error-on=any || status=$?
      [ "$status" -ne 0 ] || { failed=""; break; }
      ! lock_held || stop "apt-get update" "update the package indexes while another process holds apt's lock"
      failed=$(sed -n 's/^E: Failed to fetch //p' "$log.last")
      [ -n "$failed" ] || failed=$(apt_error "$log.last")
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

  install() {  # packages...
    apt_get install -y -q --no-install-recommends --no-remove "$@" ||
      stop "apt-get update && apt-get install --no-install-recommends $*" "install $*"
  }
  if [ ${#required[@]} -gt 0 ]; then
    say "installing ${required[*]}"
    install "${required[@]}"
  fi

  if [ -n "$wine32" ]; then
    say "installing 32-bit Wine (wine32:i386)"
    if apt_get install -y -q --no-install-recommends --no-remove wine32:i386; then
      rm -f "$wine32_note"
    else
      # Only where 64-bit Wine can stand in, and apt's lock was not the cause.
      if [ "$wine32" = only ] || lock_held; then
        stop "${add_i386:+dpkg --add-architecture i386 && }apt-get update && apt-get install --no-install-recommends wine32:i386" \
             "install wine32:i386"
      fi
      # apt's reason on one line: the unmet dependencies, then its error.
      reason=$(apt_error "$log.last" | sed -E 's/^ +//; s/ +/ /g' |
               awk '!/^The following packages/ { printf "%s%s", sep, $0; sep = "; " }')
      echo "wine32:i386 cannot be installed ($reason)" >"$wine32_note"
      say "32-bit Wine cannot be installed, so Windows programs run on the 64-bit build; apt said:"
      apt_error "$log.last"
      forget_i386
      if [ ${#fallback[@]} -gt 0 ]; then
        say "installing ${fallback[*]}"
        install "${fallback[@]}"
      fi
    fi
  fi
fi

if [ -n "$make_locale" ]; then
  say "making the locale ja_JP.UTF-8 (Wine's code page 932)"
  grep -qxF "$locale_line" "$locale_gen" 2>/dev/null || echo "$locale_line" >>"$locale_gen"
  locale-gen >>"$log" 2>&1 || { say "locale-gen failed; its output is in $log"; exit 1; }
  has_ja_locale || { say "locale-gen did not make ja_JP.UTF-8; its output is in $log"; exit 1; }
fi
