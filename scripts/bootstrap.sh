#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing the
# plug-in: the i686 mingw-w64 posix toolchain, 32-bit Wine, the Japanese locale
# that gives Wine code page 932, and the native fuzzing/benchmark tools.
# Does nothing when everything is already there.
set -euo pipefail

need_pkgs=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

for p in g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 \
         mingw-w64-i686-dev wine wine32:i386 locales cmake make googletest \
         clang libclang-rt-14-dev libbenchmark-dev zip; do
  have "$p" || need_pkgs+=("$p")
done

if [ ${#need_pkgs[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "bootstrap: missing packages (${need_pkgs[*]}); run as root to install them" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
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
