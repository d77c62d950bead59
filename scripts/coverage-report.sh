#!/usr/bin/env bash
# Line and branch coverage of src/ from the counts that the coverage builds
# wrote while their suites ran: the native tests (GCC's gcov) and the Windows
# suite under Wine (mingw-w64's gcov). Prints the table per file, writes it as
# HTML to build/coverage/index.html, and fails when lines or branches fall
# below their floors.
# Usage: coverage-report.sh NATIVE_BUILD WINDOWS_BUILD WINDOWS_GCOV LINE_FLOOR BRANCH_FLOOR
set -euo pipefail
native=$1 windows=$2 windows_gcov=$3 line_floor=$4 branch_floor=$5
cd "$(dirname "$0")/.."
out=build/coverage
rm -rf "$out"
mkdir -p "$out"

# Branches of `throw` are left out: the module's code has no exceptions. The
# Wine prefixes are not searched: their drive Z: leads back to the whole file
# system, the other build's counts included.
trace() {
  gcovr --root . --filter 'src/' --exclude-directories '.*wineprefix.*' --gcov-executable "$1" \
    --branches --exclude-throw-branches --json "$2" "$3"
}
trace gcov "$out/native.json" "$native"
trace "$windows_gcov" "$out/windows.json" "$windows"

merged=(--root . --add-tracefile "$out/native.json" --add-tracefile "$out/windows.json")
gcovr "${merged[@]}" --txt -
gcovr "${merged[@]}" --branches --txt -
gcovr "${merged[@]}" --html-details "$out/index.html" \
  --fail-under-line "$line_floor" --fail-under-branch "$branch_floor" ||
  { echo "coverage of src/ is below its floor: lines $line_floor%, branches $branch_floor%" >&2; exit 1; }
echo "coverage of src/ meets its floor (lines $line_floor%, branches $branch_floor%); $out/index.html"
