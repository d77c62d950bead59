#!/bin/sh
# Chooses where the Windows programs run: prints the Wine architectures whose
# suite `make test` runs, the first being the one `make demo` and `make bench`
# use. With --why it prints the reason instead, and with --explain one plain
# line giving the reason and what runs.
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
      native) archs="win32 win64"; why="32-bit programs run here" ;;
      emulated) archs=win64; why="32-bit programs run here only under emulation, far too slowly for the suite" ;;
      *) archs=win64; why="32-bit programs do not run here" ;;
    esac ;;
  *) echo "WINDOWS_ARCH must be win32 or win64, not '$WINDOWS_ARCH'" >&2; exit 2 ;;
esac

case $archs in
  "win32 win64") what="the Windows suite runs on the 32-bit DLL under 32-bit Wine, and again on a 64-bit build of the same sources under 64-bit Wine." ;;
  win32) what="the Windows suite runs on the 32-bit DLL under 32-bit Wine only." ;;
  win64) what="the 32-bit DLL is checked without running it; the Windows suite runs on a 64-bit build of the same sources." ;;
esac

case ${1:-} in
  --why) echo "$why" ;;
  --explain) echo "$why: $what" ;;
  *) echo "$archs" ;;
esac
