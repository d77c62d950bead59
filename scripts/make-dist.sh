#!/usr/bin/env bash
# Packs the plug-in for users: the DLL, and readmes in Japanese (Shift_JIS) and
# English, both with Windows line ends. The same inputs give the same ZIP:
# fixed timestamps, modes and order, no extra attributes. Beside the ZIP,
# SHA256SUMS holds the SHA-256 of the ZIP and of the DLL inside it, in the
# form `sha256sum -c` reads.
# Usage: make-dist.sh PLUGIN.dll OUTPUT.zip
set -euo pipefail
dll=$1
out=$(realpath -m "$2")
here=$(cd "$(dirname "$0")/.." && pwd)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$dll" "$stage/OmbryTovanal.dll"
sed 's/$/\r/' "$here/dist/README-en.txt" > "$stage/README-en.txt"
iconv -f UTF-8 -t CP932 "$here/dist/README-ja.txt" | sed 's/$/\r/' > "$stage/README-ja.txt"

chmod 0644 "$stage"/*
TZ=UTC touch -d '2026-01-01 00:00:00' "$stage"/*
mkdir -p "$(dirname "$out")"
rm -f "$out"
(cd "$stage" && TZ=UTC zip -q -X -D "$out" OmbryTovanal.dll README-ja.txt README-en.txt)
sums="$(dirname "$out")/SHA256SUMS"
{
  (cd "$(dirname "$out")" && sha256sum "$(basename "$out")")
  (cd "$stage" && sha256sum OmbryTovanal.dll)
} >"$sums"
echo "$out"
echo "$sums"
