#!/usr/bin/python3
"""Checks a built plug-in DLL without running it, from its PE structure (read
with pefile, as the Windows loader reads it; no tool's text is parsed):

 - it is a DLL of the expected processor (PE32 for the 32-bit product);
 - Windows as old as windows-imports.txt names for the processor loads it:
   its subsystem version is no newer, and it imports nothing but the
   functions that list holds, each by name, none newer than that Windows;
   so it needs no runtime DLL either;
 - the loader may place it anywhere and runs none of its data: DYNAMIC_BASE
   with a relocation table, NX_COMPAT, HIGH_ENTROPY_VA on 64-bit, and no
   section both writable and executable;
 - it exports exactly the names of the module-definition file, each at its
   ordinal there, from ordinal 1 on, each one code of its own: no export
   forwarded to another DLL (the host would call that function with the
   arguments of ours), none pointing outside its code.

A failure names the entry that differs, on a line of its own, and exits 1.

Usage: check-plugin-dll.py --dll PATH --def plugin.def
                           --imports windows-imports.txt --processor i686|x86_64
"""
import argparse
import re
import sys

import pefile

FAILED = "the DLL is not what it must be"

MACHINES = {  # processor: IMAGE_FILE_MACHINE_*, optional header magic, kind
    "i686": (0x14C, 0x10B, "PE32"),
    "x86_64": (0x8664, 0x20B, "PE32+"),
}
IMAGE_FILE_DLL = 0x2000
IMAGE_SCN_CNT_CODE = 0x20
IMAGE_SCN_MEM_EXECUTE = 0x20000000
IMAGE_SCN_MEM_WRITE = 0x80000000
RELOCATION_DIRECTORY = 5


class Finding(Exception):
    pass


def version(text):
    return tuple(int(part) for part in text.split("."))


def read_windows_imports(path, processor):
    """The oldest Windows for PROCESSOR, as (version, name), and for each
    "dll!function" (the DLL in lower case) the oldest Windows that has it."""
    windows = None
    functions = {}
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            match = re.match(r"^windows[ \t]+(\w+)[ \t]+(\d+\.\d+)[ \t]+(.+)$", line)
            if match:
                if match.group(1) == processor:
                    windows = (match.group(2), match.group(3))
                continue
            match = re.match(r"^(\w+\.[Dd][Ll][Ll])[ \t]+([A-Za-z_]\w*)[ \t]+(\d+\.\d+)[ \t]+.+$", line)
            if not match:
                sys.exit(f"{path}: cannot read '{line}'")
            key = f"{match.group(1).lower()}!{match.group(2)}"
            if key in functions:
                sys.exit(f"{path}: {key} is listed twice")
            functions[key] = match.group(3)
    if windows is None:
        sys.exit(f"{path} gives no oldest Windows for {processor}")
    return windows, functions


def read_definitions(path):
    """The exports a module-definition file gives: {ordinal: name}."""
    wanted = {}
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            match = re.match(r"^[ \t]*([A-Za-z_]\w*)[^;]*[ \t]@(\d+)", line)
            if match:
                wanted[int(match.group(2))] = match.group(1)
    if not wanted:
        sys.exit(f"no exports read from {path}")
    return wanted


def check_image(pe, processor):
    machine, magic, kind = MACHINES[processor]
    found_machine = pe.FILE_HEADER.Machine
    found_magic = pe.OPTIONAL_HEADER.Magic
    if found_machine != machine or found_magic != magic:
        raise Finding(f"expected a {kind} image for {processor} (machine {machine}), "
                      f"found machine {found_machine}, magic {found_magic}")
    if not pe.FILE_HEADER.Characteristics & IMAGE_FILE_DLL:
        raise Finding("the image is not marked as a DLL")
    return kind


def check_windows(pe, args):
    (oldest, windows_name), functions = read_windows_imports(args.imports, args.processor)
    header = pe.OPTIONAL_HEADER
    subsystem = f"{header.MajorSubsystemVersion}.{header.MinorSubsystemVersion}"
    if version(subsystem) > version(oldest):
        raise Finding(f"subsystem version {subsystem} is newer than {windows_name} ({oldest}), "
                      f"the oldest Windows {args.imports} names for {args.processor}")
    imports = [(entry.dll.decode("ascii", "replace"), function)
               for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])
               for function in entry.imports]
    if not imports:
        raise Finding("no imports found")
    system_dlls = {key.split("!")[0] for key in functions}
    dlls_found = []
    for dll, function in imports:
        if function.import_by_ordinal:
            raise Finding(f"imports ordinal {function.ordinal} of {dll}: "
                          "only imports by name can be held to the list")
        name = function.name.decode("ascii", "replace")
        key = f"{dll.lower()}!{name}"
        if dll.lower() not in system_dlls:
            raise Finding(f"imports {dll}!{name}: {dll} is none of the system DLLs of {args.imports}")
        if key not in functions:
            raise Finding(f"imports {dll}!{name}, which {args.imports} does not list")
        if version(functions[key]) > version(oldest):
            raise Finding(f"imports {dll}!{name}, which needs Windows {functions[key]}, "
                          f"newer than {windows_name} ({oldest})")
        if dll not in dlls_found:
            dlls_found.append(dll)
    return (f"subsystem version {subsystem} ({windows_name}: {oldest}); {len(imports)} functions "
            f"imported by name from {', '.join(dlls_found)}, each in {args.imports}")


def check_placement(pe, processor):
    wanted = [("DYNAMIC_BASE", 0x40), ("NX_COMPAT", 0x100)]
    if processor == "x86_64":
        wanted.append(("HIGH_ENTROPY_VA", 0x20))
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    for name, bit in wanted:
        if not flags & bit:
            raise Finding(f"DllCharacteristics {flags} lack {name}")
    directories = pe.OPTIONAL_HEADER.DATA_DIRECTORY
    relocations = directories[RELOCATION_DIRECTORY].Size if len(directories) > RELOCATION_DIRECTORY else 0
    if relocations == 0:
        raise Finding("no relocation table")
    both = IMAGE_SCN_MEM_EXECUTE | IMAGE_SCN_MEM_WRITE
    for section in pe.sections:
        if section.Characteristics & both == both:
            raise Finding(f"section {section_name(section)} is both writable and executable")
    return (f"{', '.join(name for name, _ in wanted)}, a relocation table of {relocations} bytes, "
            "no section both writable and executable")


def section_name(section):
    return section.Name.rstrip(b"\0").decode("ascii", "replace")


def in_code(pe, rva):
    code = IMAGE_SCN_CNT_CODE | IMAGE_SCN_MEM_EXECUTE
    return any(section.contains_rva(rva) and section.Characteristics & code for section in pe.sections)


def check_exports(pe, definitions):
    wanted = read_definitions(definitions)
    directory = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    if directory is None:
        raise Finding("exports nothing")
    if directory.struct.Base != 1:
        raise Finding(f"ordinal base {directory.struct.Base}, expected 1")
    found = set()
    for symbol in directory.symbols:
        if symbol.name is None:
            continue
        name = symbol.name.decode("ascii", "replace")
        if symbol.ordinal not in wanted:
            raise Finding(f"exports '{name}' at ordinal {symbol.ordinal}, which {definitions} does not give")
        if name != wanted[symbol.ordinal]:
            raise Finding(f"ordinal {symbol.ordinal} exports '{name}', expected '{wanted[symbol.ordinal]}'")
        if symbol.forwarder is not None:
            raise Finding(f"'{name}' is forwarded to {symbol.forwarder.decode('ascii', 'replace')}: "
                          "the host would call that function instead of the plug-in's")
        if not in_code(pe, symbol.address):
            raise Finding(f"'{name}' points at {symbol.address:#x}, in none of the DLL's code sections")
        found.add(symbol.ordinal)
    for ordinal in range(1, len(wanted) + 1):
        if ordinal not in found:
            raise Finding(f"'{wanted[ordinal]}' is not exported at ordinal {ordinal}")
    if directory.struct.NumberOfFunctions != len(wanted):
        raise Finding(f"{directory.struct.NumberOfFunctions} ordinals exported, expected {len(wanted)}")
    return f"exports: {len(wanted)} names at ordinals 1 to {len(wanted)}, as in {definitions}, each code of its own"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--dll", required=True)
    parser.add_argument("--def", dest="definitions", required=True)
    parser.add_argument("--imports", required=True)
    parser.add_argument("--processor", required=True, choices=sorted(MACHINES))
    args = parser.parse_args()
    try:
        try:
            pe = pefile.PE(args.dll)
        except pefile.PEFormatError as error:
            raise Finding(f"not a Windows image: {error}") from None
        kind = check_image(pe, args.processor)
        print(f"{args.dll}: {kind}, {check_windows(pe, args)}")
        print(f"{args.dll}: {check_placement(pe, args.processor)}")
        print(f"{args.dll}: {check_exports(pe, args.definitions)}")
    except Finding as finding:
        print(f"{args.dll}: {finding}", file=sys.stderr)
        print(FAILED, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
