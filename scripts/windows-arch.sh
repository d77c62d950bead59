#!/bin/sh
# Chooses where the Windows programs run: prints the Wine architectures whose
# suite `make test` runs, the first being the one `make demo` and `make bench`
# use. With --why it prints the reason instead, with --explain one plain line
# giving the reason and what runs, and with --candidates the architectures
# this machine could run, before set-up has tried to install their Wine.
#
#   WINDOWS_ARCH=win32|win64   forces one architecture
#   otherwise                  win32 and win64 where 32-bit programs run
#                              natively and 32-bit Wine is, or may yet be,
#                              installed; win64 alone elsewhere
#
# scripts/bootstrap.sh leaves build/setup/wine32-unavailable (BOOTSTRAP_STATE)
# when it could not install 32-bit Wine, saying why. OMBRY_32BIT=native|
# emulated|none|unknown tells how 32-bit programs run instead of trying.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
wine32_note=${BOOTSTRAP_STATE:-$here/../build/setup}/wine32-unavailable

case ${WINDOWS_ARCH:-} in
  win32 | win64) archs=$WINDOWS_ARCH; why="WINDOWS_ARCH=$WINDOWS_ARCH" ;;
  "")
    case ${OMBRY_32BIT:-$("$here/detect-32bit.sh")} in
      native) archs="win32 win64"; why="32-bit programs run here" ;;
      emulated) archs=win64; why="32-bit programs run here only under emulation, far too slowly for the suite" ;;
      unknown) archs=win64; why="no program runs from the build folder, so whether 32-bit programs run is not known" ;;
      *) archs=win64; why="32-bit programs do not run here" ;;
    esac
    if [ "$archs" != win64 ] && [ "${1:-}" != --candidates ] && [ -f "$wine32_note" ]; then
      archs=win64
      why="32-bit programs run here, but $(cat "$wine32_note")"
    fi ;;
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
