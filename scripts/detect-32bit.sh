#!/bin/sh
# Tells how this machine runs 32-bit x86 Linux programs, which decides whether
# 32-bit Wine can run the Windows suite:
#
#   native    the kernel runs them itself
#   emulated  only through an emulator registered in binfmt_misc (qemu-i386)
#   none      not at all ("Exec format error")
#   unknown   no program at all runs from the folder the probes are written
#             to (a file system mounted noexec): nothing can be told
#
# The kernel's configuration is no guide (a hypervisor may refuse what it
# allows), so two tiny static 32-bit programs that exit with 42 are written and
# run. They differ in one byte of the ELF header's padding: the kernel ignores
# it, while the usual binfmt_misc entry for qemu-i386 requires it to be zero.
# So the padded copy runs only natively, the plain one natively or emulated.
# They are written to the build folder, where the project's programs run
# anyway (the temporary folder may be mounted noexec), beside a copy of a
# native program that tells whether anything runs there at all.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
probes=${OMBRY_PROBE_DIR:-$here/../build/setup}

mkdir -p "$probes"
work=$(mktemp -d "$probes/detect-32bit.XXXXXX")
trap 'rm -rf "$work"' EXIT

# $1: the ELF header padding byte (octal escape). A 96-byte program: ELF header
# (52 bytes), one loadable segment (32 bytes), then `mov ebx, 42; mov eax, 1;
# int 0x80` (exit(42)).
write_program() {
  printf '\177ELF\001\001\001\000\000'"$1"'\000\000\000\000\000\000' >"$2"
  # e_type EXEC, e_machine 386, e_version 1, e_entry 0x08048054, e_phoff 52,
  # e_shoff 0, e_flags 0, e_ehsize 52, e_phentsize 32, e_phnum 1, no sections.
  printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$2"
  printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000' >>"$2"
  # PT_LOAD from offset 0 at 0x08048000, 96 bytes, readable and executable.
  printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$2"
  printf '\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000' >>"$2"
  printf '\273\052\000\000\000\270\001\000\000\000\315\200' >>"$2"
  chmod +x "$2"
}

exits_42() {
  status=0
  "$1" >/dev/null 2>&1 || status=$?
  [ "$status" -eq 42 ]
}

cp "$(command -v sh)" "$work/native"
if ! "$work/native" -c : >/dev/null 2>&1; then
  echo "detect-32bit.sh: no program runs from $probes (is it mounted noexec?)" >&2
  echo unknown
  exit 0
fi
write_program '\000' "$work/plain"
write_program '\001' "$work/padded"

if exits_42 "$work/padded"; then
  echo native
elif exits_42 "$work/plain"; then
  echo emulated
else
  echo none
fi
