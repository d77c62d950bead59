#!/bin/sh
# Chooses where the Windows programs run: prints the Wine architectures whose
# suite `make test` runs, the first being the one `make demo` and `make bench`
# use. With --explain it prints, instead, one plain line saying so.
#
#   WINDOWS_ARCH=win32|win64   forces one architecture
#   otherwise                  win32 and win64 where 32-bit programs run
#                              natively, win64 alone elsewhere
set -eu
here=$(cd "$(dirname "$0")" && pwd)

case ${WINDOWS_ARCH:-} in
  win32 | win64) archs=$WINDOWS_ARCH; why="WINDOWS_ARCH=$WINDOWS_ARCH" ;;
  "")
    case $("$here/detect-32bit.sh") in
      native) archs="win32 win64"; why=native ;;
      emulated) archs=win64; why=emulated ;;
      *) archs=win64; why=none ;;
    esac ;;
  *) echo "WINDOWS_ARCH must be win32 or win64, not '$WINDOWS_ARCH'" >&2; exit 2 ;;
esac

if [ "${1:-}" != "--explain" ]; then
  echo "$archs"
  exit 0
fi
case $why in
  native) echo "32-bit programs run here: the Windows suite runs on the 32-bit DLL under 32-bit Wine, and again on a 64-bit build of the same sources under 64-bit Wine." ;;
  emulated) echo "32-bit programs run here only under emulation, far too slowly for the suite: the 32-bit DLL is checked without running it; the Windows suite runs on a 64-bit build of the same sources." ;;
  none) echo "32-bit programs do not run here: the 32-bit DLL is checked without running it; the Windows suite runs on a 64-bit build of the same sources." ;;
  WINDOWS_ARCH=win32) echo "WINDOWS_ARCH=win32: the Windows suite runs on the 32-bit DLL under 32-bit Wine only." ;;
  WINDOWS_ARCH=win64) echo "WINDOWS_ARCH=win64: the 32-bit DLL is checked without running it; the Windows suite runs on a 64-bit build of the same sources." ;;
esac
