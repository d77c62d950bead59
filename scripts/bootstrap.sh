#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing the
# plug-in: the i686 and x86-64 mingw-w64 posix toolchains, Wine for each
# Windows architecture named on the command line (win32, win64), the Japanese
# locale that gives Wine code page 932, the native fuzzing/benchmark tools, and
# for the windowed host's test an X server (Xvfb), real input (xdotool),
# screenshots (ImageMagick), a Japanese font and Wine's own fonts, and the
# project's own checks: clang-tidy, cppcheck and gcovr.
# Does nothing when everything is already there.
#
# Usage: bootstrap.sh [win32] [win64]
#
# 32-bit Wine (wine32:i386) comes only with win32: where 32-bit programs do not
# run natively it cannot start, and a win64 prefix sets up faster without it.
set -euo pipefail

need_pkgs=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

wanted=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
        g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
        locales cmake make googletest clang libclang-rt-14-dev libbenchmark-dev zip
        xvfb xdotool imagemagick fonts-ipafont-gothic fonts-wine
        clang-tidy cppcheck gcovr)
for arch in "$@"; do
  case $arch in
    win32) wanted+=(wine32:i386) ;;
    win64) wanted+=(wine64) ;;
    *) echo "bootstrap: unknown Windows architecture '$arch' (win32 or win64)" >&2; exit 2 ;;
  esac
done
for p in "${wanted[@]}"; do
  have "$p" || need_pkgs+=("$p")
done

if [ ${#need_pkgs[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "bootstrap: missing packages (${need_pkgs[*]}); run as root to install them" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  if [[ " ${need_pkgs[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${need_pkgs[@]}"
fi

if ! locale -a 2>/dev/null | grep -qiE '^ja_JP\.utf-?8$'; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "bootstrap: locale ja_JP.UTF-8 missing; run as root to generate it" >&2
    exit 1
  fi
  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
