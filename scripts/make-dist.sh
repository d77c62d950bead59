#!/usr/bin/env bash
# Packs the plug-in for users: the DLL, once its static check passed (a DLL
# the check rejects is never packed); readmes in Japanese (Shift_JIS) and
# English (UTF-8 with a byte-order mark, which Windows viewers take as UTF-8
# instead of guessing the ANSI code page); and the license, in ASCII; all
# texts with Windows line ends. Then reads the ZIP back as a user's viewer
# would. The same inputs give the same ZIP:
# fixed timestamps, modes and order, no extra attributes. Beside the ZIP,
# SHA256SUMS holds the SHA-256 of the ZIP and of the DLL inside it, in the
# form `sha256sum -c` reads.
# Usage: make-dist.sh PLUGIN.dll OUTPUT.zip
set -euo pipefail
dll=$1
out=$(realpath -m "$2")
here=$(cd "$(dirname "$0")/.." && pwd)

rm -f "$out"
"$here/scripts/check-plugin-dll.py" --dll "$dll" --def "$here/src/plugin/plugin.def" \
  --imports "$here/src/plugin/windows-imports.txt" --processor i686 >/dev/null ||
  { echo "make-dist: $dll is not packed: its static check failed" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$dll" "$stage/OmbryTovanal.dll"
{ printf '\357\273\277'; sed 's/$/\r/' "$here/dist/README-en.txt"; } > "$stage/README-en.txt"
iconv -f UTF-8 -t CP932 "$here/dist/README-ja.txt" | sed 's/$/\r/' > "$stage/README-ja.txt"
sed 's/$/\r/' "$here/LICENSE" > "$stage/LICENSE.txt"

chmod 0644 "$stage"/*
TZ=UTC touch -d '2026-01-01 00:00:00' "$stage"/*
mkdir -p "$(dirname "$out")"
(cd "$stage" && TZ=UTC zip -q -X -D "$out" OmbryTovanal.dll README-ja.txt README-en.txt LICENSE.txt)
# As a viewer on Windows reads them: a text with the UTF-8 mark as UTF-8, one
# without it in the ANSI code page (932 on Japanese Windows). Each must read as
# its source, line for line, every line ending in CR LF.
back=$stage/back
unzip -q "$out" -d "$back"
check_text() {  # name in the ZIP, source, the encoding a viewer picks, the mark it needs (hex)
  local file=$back/$1
  local start
  start=$(head -c 3 "$file" | od -An -tx1 | tr -d ' \n')
  if [ -n "$4" ]; then [ "$start" = "$4" ]; else [ "$start" != efbbbf ]; fi ||
    { echo "make-dist: $1 does not begin with ${4:-no byte-order mark}" >&2; exit 1; }
  ! grep -q $'\r.' "$file" || { echo "make-dist: $1 has a CR that does not end a line" >&2; exit 1; }
  [ "$(grep -c $'\r$' "$file")" -eq "$(wc -l <"$2")" ] || { echo "make-dist: $1 has a line without CR LF" >&2; exit 1; }
  tail -c +$((${#4} / 2 + 1)) "$file" | iconv -f "$3" -t UTF-8 | sed 's/\r$//' | cmp -s - "$2" ||
    { echo "make-dist: $1 read as $3 differs from $2" >&2; exit 1; }
}
check_text README-en.txt "$here/dist/README-en.txt" UTF-8 efbbbf
check_text README-ja.txt "$here/dist/README-ja.txt" CP932 ""
check_text LICENSE.txt "$here/LICENSE" ASCII ""
cmp -s "$back/OmbryTovanal.dll" "$dll" || { echo "make-dist: the DLL in the ZIP differs from $dll" >&2; exit 1; }

sums="$(dirname "$out")/SHA256SUMS"
{
  (cd "$(dirname "$out")" && sha256sum "$(basename "$out")")
  (cd "$stage" && sha256sum OmbryTovanal.dll)
} >"$sums"
echo "$out"
echo "$sums"
