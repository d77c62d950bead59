#!/bin/sh
# Runs one Windows program under Wine the way the tests need it: code page 932,
# a private prefix in the build folder, no prompts, no debug chatter.
#
# The prefix and a persistent wineserver are started detached from our standard
# streams: a wineserver that inherits a pipe someone waits on (CTest, a CI log)
# keeps that pipe open and the waiter hangs.
set -eu

# Usage: wine-run.sh [--prefix DIR] PROGRAM.exe [ARGS...]
if [ "${1:-}" = "--prefix" ]; then
  WINEPREFIX=$2
  shift 2
fi
: "${WINEPREFIX:=$(pwd)/wineprefix}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8
export WINEARCH=win32

mkdir -p "$(dirname "$WINEPREFIX")"
(
  # One program at a time sets the prefix up. Nothing started here may keep
  # the lock's descriptor (9), or the lock would last as long as the server.
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    setsid wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
    setsid wineserver -w </dev/null >/dev/null 2>&1 9>&- || true
  fi
  # Keep one server alive between test programs; a no-op when one is running.
  setsid wineserver -p30 </dev/null >/dev/null 2>&1 9>&- || true
) 9>"$WINEPREFIX.lock"

# The program writes to a file that is copied out afterwards:
#  - Wine starts its service processes (explorer, services, winedevice) from the
#    first program that needs them, and they inherit that program's output; a
#    reader of a pipe would wait until those services end;
#  - on a terminal Wine would run a console of its own, redrawing the output
#    with escape sequences; a file receives the program's bytes unchanged.
out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=0
wine "$@" >"$out" 2>&1 || status=$?
cat "$out"
exit "$status"
