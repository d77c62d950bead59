#!/usr/bin/env bash
# The set-up's decisions, against stand-ins for apt-get, dpkg, dpkg-query, id,
# locale and sleep put first on PATH: no package is installed and no network
# is used. Each row runs scripts/bootstrap.sh once on a stand-in machine.
#
#   row | uid | groups | installed at first | update | broken | exit | output | marker
#
#   installed at first  "all" (everything the groups want) or "" (nothing)
#   update              ok | mid-sync (one index fails every time) | once (fails once)
#   broken              packages apt cannot install
#   output              a grep -E pattern each for the output, ';'-separated
#   marker              pattern for build/setup/wine32-unavailable; "none" when absent
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$here/../..
work=$(mktemp -d "${TMPDIR:-/tmp}/bootstrap-test.XXXXXX")
trap 'rm -rf "$work"' EXIT

all="cmake make g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
     locales wine64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
     mingw-w64-x86-64-dev googletest clang libclang-rt-dev xvfb xdotool imagemagick fonts-ipafont-gothic fonts-wine
     wine32:i386"
index=http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz

# --- Stand-ins -----------------------------------------------------------------
bin=$work/bin
mkdir -p "$bin"
cat >"$bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$FAKE/calls"
case $1 in
  update)
    n=$(($(cat "$FAKE/updates" 2>/dev/null || echo 0) + 1)); echo $n >"$FAKE/updates"
    if [ "$FAKE_UPDATE" = mid-sync ] || { [ "$FAKE_UPDATE" = once ] && [ $n -eq 1 ]; }; then
      echo "Err:6 $FAKE_INDEX"
      echo "E: Failed to fetch $FAKE_INDEX  File has unexpected size (374820 != 376004). Mirror sync in progress?"
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
      exit 100
    fi ;;
  install)
    shift
    [[ " $* " == *" --no-remove "* ]] || { echo "stand-in: an install that may remove packages: $*"; exit 99; }
    [[ " $* " != *allow-downgrades* ]] || { echo "stand-in: an install that may downgrade: $*"; exit 99; }
    for p in "$@"; do
      case " $FAKE_BROKEN " in
        *" $p "*) case $p in
                    wine32:i386) echo " libc6:i386 : Depends: libgcc-s1:i386 but it is not going to be installed"
                                 echo "E: Unable to correct problems, you have held broken packages." ;;
                    *) echo "E: Unable to locate package $p" ;;
                  esac
                  exit 100 ;;
      esac
    done
    for p in "$@"; do [[ $p == -* ]] || echo "$p" >>"$FAKE/installed"; done ;;
esac
EOF
cat >"$bin/dpkg-query" <<'EOF'
#!/bin/sh
pkg=$(eval echo \${$#})
grep -qx "$pkg" "$FAKE/installed" 2>/dev/null || exit 1
echo "install ok installed"
EOF
cat >"$bin/dpkg" <<'EOF'
#!/bin/sh
case $1 in
  --print-foreign-architectures) cat "$FAKE/archs" 2>/dev/null ;;
  --add-architecture) echo "$2" >>"$FAKE/archs" ;;
esac
EOF
printf '#!/bin/sh\necho "$FAKE_UID"\n' >"$bin/id"
printf '#!/bin/sh\necho C.utf8; echo ja_JP.utf8\n' >"$bin/locale"
printf '#!/bin/sh\necho "sleep $1" >>"$FAKE/calls"\n' >"$bin/sleep"
chmod +x "$bin"/*

# --- Rows ----------------------------------------------------------------------
rows=$(cat <<EOF
nothing missing|0|dll tests gui wine-each|all|ok||0|^\$|none
an index mid-sync, tried again, then done without|0|dll tests gui wine-each||mid-sync||0|trying again in 0 s;could not be updated; going on with the others;$index;installing .*wine64|none
an index that recovers|0|dll wine||once||0|trying again;installing 32-bit Wine|none
32-bit Wine not installable: the 64-bit suite alone|0|dll tests gui wine-each||ok|wine32:i386|0|32-bit Wine cannot be installed;held broken packages|^wine32:i386 cannot be installed \(E: Unable to correct problems, you have held broken packages.\)\$
32-bit Wine not installable: the demo takes 64-bit Wine|0|dll wine||ok|wine32:i386|0|32-bit Wine cannot be installed;installing wine64 g\+\+-mingw-w64-x86-64-posix|cannot be installed
the toolchain not installable|0|dll tests gui wine-each||ok|g++-mingw-w64-i686-posix|1|cannot install cmake make g\+\+-mingw-w64-i686-posix;E: Unable to locate package g\+\+-mingw-w64-i686-posix;by hand, as root: apt-get update && apt-get install --no-install-recommends cmake|none
not root, the toolchain missing|1000|dll wine||ok||1|needs packages that are not installed: cmake;as root: apt-get install|needs root
not root, only 32-bit Wine missing|1000|dll tests gui wine-each|all|ok||0|^\$|needs root
EOF
)

failures=0
n=0
while IFS='|' read -r name uid groups initially update broken want_exit outputs marker; do
  n=$((n + 1))
  fake=$work/machine-$n
  mkdir -p "$fake"
  if [ "$initially" = all ]; then
    printf '%s\n' $all >"$fake/installed"
    # "not root, only 32-bit Wine missing"
    [ "$uid" = 0 ] || sed -i '/^wine32:i386$/d' "$fake/installed"
  fi
  status=0
  out=$(env PATH="$bin:$PATH" FAKE="$fake" FAKE_UID="$uid" FAKE_UPDATE="$update" FAKE_BROKEN="$broken" \
            FAKE_INDEX="$index" BOOTSTRAP_STATE="$fake/state" BOOTSTRAP_RETRY_PAUSE=0 \
            "$root/scripts/bootstrap.sh" --windows "win32 win64" $groups 2>&1) || status=$?
  problems=()
  [ "$status" = "$want_exit" ] || problems+=("exit $status, expected $want_exit")
  IFS=';' read -ra patterns <<<"$outputs"
  for pattern in "${patterns[@]}"; do
    grep -qE -- "$pattern" <<<"$out" || problems+=("no output matching '$pattern'")
  done
  note=$fake/state/wine32-unavailable
  if [ "$marker" = none ]; then
    [ ! -f "$note" ] || problems+=("a wine32-unavailable note: $(cat "$note")")
  else
    grep -qE -- "$marker" "$note" 2>/dev/null || problems+=("the wine32-unavailable note does not match '$marker'")
  fi
  if [ "$want_exit" = 0 ] && [ -n "$broken" ] && [ "$uid" = 0 ]; then
    # What the suite then runs, and what its first line says.
    explain=$(BOOTSTRAP_STATE="$fake/state" OMBRY_32BIT=native "$root/scripts/windows-arch.sh" --explain)
    archs=$(BOOTSTRAP_STATE="$fake/state" OMBRY_32BIT=native "$root/scripts/windows-arch.sh")
    [ "$archs" = win64 ] || problems+=("windows-arch.sh chose '$archs', expected win64")
    grep -qE "^32-bit programs run here, but wine32:i386 cannot be installed \(E: .*\): the 32-bit DLL is checked" \
      <<<"$explain" || problems+=("windows-arch.sh says: $explain")
  fi
  if [ ${#problems[@]} -eq 0 ]; then
    echo "ok   $name"
  else
    failures=$((failures + 1))
    echo "FAIL $name"
    printf '       %s\n' "${problems[@]}"
    echo "     output:"
    sed 's/^/       | /' <<<"$out"
    echo "     calls:"
    sed 's/^/       | /' "$fake/calls" 2>/dev/null || true
  fi
done <<<"$rows"

echo "$((n - failures)) of $n rows passed"
[ "$failures" -eq 0 ]
