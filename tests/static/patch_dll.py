#!/usr/bin/python3
"""Writes a copy of a DLL with one fault the static check must find, made in
its PE structure (with pefile), where no link option or source makes it:

  not-pe             not a Windows image at all
  not-a-dll          the image not marked as a DLL
  machine            built for another processor (ARM Thumb-2)
  no-imports         an empty import directory
  no-relocations     an empty base relocation directory, the image still
                     marked as movable (the linker drops both together)
  import-by-ordinal  the first function imported by ordinal, not by name
  no-exports         an empty export directory
  export-into-data   the first export pointing into a section of data

Usage: patch_dll.py IN.dll OUT.dll CHANGE
"""
import sys

import pefile

IMAGE_FILE_DLL = 0x2000
IMAGE_FILE_MACHINE_ARMNT = 0x1C4
IMAGE_SCN_CNT_CODE = 0x20
EXPORT_DIRECTORY, IMPORT_DIRECTORY, RELOCATION_DIRECTORY = 0, 1, 5


def empty_directory(pe, index):
    pe.OPTIONAL_HEADER.DATA_DIRECTORY[index].VirtualAddress = 0
    pe.OPTIONAL_HEADER.DATA_DIRECTORY[index].Size = 0


def import_by_ordinal(pe):
    # Its lookup entry and its address entry both, as the linker writes them.
    # pefile writes back the lookup entries it read, so that one is changed
    # as read; the address entry, unread, in the bytes.
    plus = pe.OPTIONAL_HEADER.Magic == pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS
    entry = (0x8000000000000000 if plus else 0x80000000) | 2
    descriptor = pe.DIRECTORY_ENTRY_IMPORT[0]
    descriptor.imports[0].struct_table.Ordinal = entry
    (pe.set_qword_at_rva if plus else pe.set_dword_at_rva)(descriptor.struct.FirstThunk, entry)


def export_into_data(pe):
    data = next(s for s in pe.sections if not s.Characteristics & IMAGE_SCN_CNT_CODE and s.SizeOfRawData)
    pe.set_dword_at_rva(pe.DIRECTORY_ENTRY_EXPORT.struct.AddressOfFunctions, data.VirtualAddress)


def main(source, target, change):
    if change == "not-pe":
        with open(target, "wb") as out:
            out.write(b"This is no Windows image.\n")
        return
    pe = pefile.PE(source)
    if change == "not-a-dll":
        pe.FILE_HEADER.Characteristics &= ~IMAGE_FILE_DLL
    elif change == "machine":
        pe.FILE_HEADER.Machine = IMAGE_FILE_MACHINE_ARMNT
    elif change == "no-imports":
        empty_directory(pe, IMPORT_DIRECTORY)
    elif change == "no-relocations":
        empty_directory(pe, RELOCATION_DIRECTORY)
    elif change == "import-by-ordinal":
        import_by_ordinal(pe)
    elif change == "no-exports":
        empty_directory(pe, EXPORT_DIRECTORY)
    elif change == "export-into-data":
        export_into_data(pe)
    else:
        sys.exit(f"patch_dll.py: unknown change '{change}'")
    pe.write(target)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
