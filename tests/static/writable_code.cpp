// Linked into a copy of the plug-in that the static check must reject: a
// section both writable and executable, which data written at run time could
// then run from.
asm(".section .wxcode,\"wx\"\n\t.byte 0xc3\n\t.text");
