#!/usr/bin/env bash
# make lint: the static analysers over the sources of the plug-in (src/) and of
# the host programs (tools/), with zero findings allowed.
#  - clang-tidy (.clang-tidy), through the compile commands of the 32-bit
#    Windows build: clang parses the mingw-w64 headers and libstdc++ as the
#    cross compiler sees them (its own target, libstdc++'s include folders);
#    GCC's Shift_JIS literals (-fexec-charset=CP932) stay UTF-8 for clang.
#  - cppcheck, over the same files.
# A finding that is wrong for this code is suppressed at its line, with why.
# Usage: lint.sh BUILD_DIR (the configured 32-bit build, with compile_commands.json)
set -euo pipefail
build=$1
cd "$(dirname "$0")/.."
[ -f "$build/compile_commands.json" ] || { echo "lint.sh: no $build/compile_commands.json" >&2; exit 2; }

mapfile -t files < <(find src tools -name '*.cpp' | sort)
# libstdc++ of the cross compiler, wherever its version puts it.
cxx=$(i686-w64-mingw32-g++-posix -print-file-name=include)/c++
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -I{} sh -c \
  'clang-tidy -p "$1" --quiet --extra-arg=--target=i686-w64-mingw32 \
     --extra-arg=-isystem"$2" --extra-arg=-isystem"$2"/i686-w64-mingw32 --extra-arg=-fexec-charset=UTF-8 \
     "$3" >"$4/$(echo "$3" | tr / _).tidy" 2>&1 || true' _ "$build" "$cxx" {} "$out"
# A header's finding is reported once for each file that includes it.
tidy=$(cat "$out"/*.tidy | grep -E '^[^ ].*: (warning|error): ' | sort -u || true)

cppcheck --quiet --std=c++20 --platform=win32A --language=c++ \
  --enable=warning,style,performance,portability --inline-suppr --error-exitcode=0 \
  --suppress=missingIncludeSystem -Isrc/command -Isrc/host -Isrc/plugin -Itools/fake-host -Itools/host-common \
  --template='{file}:{line}:{column}: {severity}: {message} [{id}]' "${files[@]}" 2>"$out/cppcheck" >/dev/null
check=$(grep -E ': (error|warning|style|performance|portability): ' "$out/cppcheck" | sort -u || true)

count() { [ -n "$1" ] && printf '%s\n' "$1" | wc -l || echo 0; }
echo "clang-tidy: $(count "$tidy") findings in ${#files[@]} files"
[ -n "$tidy" ] && printf '%s\n' "$tidy"
echo "cppcheck: $(count "$check") findings"
[ -n "$check" ] && printf '%s\n' "$check"
[ -z "$tidy$check" ]
