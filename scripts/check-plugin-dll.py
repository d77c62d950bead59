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
 - it exports exactly the names of the module-definition file, with their
   letter case, each at its ordinal there, from ordinal 1 on; each export is
   code of the DLL's own: none forwarded to another DLL or pointing outside
   its code, and none sharing code with an export that takes other
   arguments (a stdcall function removes its own arguments, so the host's
   stack would come back unbalanced).

A failure names the entry that differs, on a line of its own, and exits 1.
A module-definition file or import list the check cannot use (a line it
cannot read, an ordinal missing or given twice, a processor named twice) is
said the same way, before the DLL is read, and exits 1 too.

Usage: check-plugin-dll.py --dll PATH --def plugin.def
                           --imports windows-imports.txt --processor i686|x86_64
"""
import argparse
import re
import sys

import pefile

FAILED = "the DLL is not what it must be"
UNUSABLE = "the DLL cannot be checked against these files"

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
    """The DLL differs from what it must be."""


class Unusable(Exception):
    """An input the check cannot hold the DLL to."""


class Export:
    """One line of the module-definition file: NAME [= FUNCTION[@BYTES]] @ORDINAL."""

    def __init__(self, match):
        self.name = match.group("name")
        self.function = match.group("function") or self.name
        self.argument_bytes = None if match.group("bytes") is None else int(match.group("bytes"))
        self.ordinal = int(match.group("ordinal"))
        self.definition = match.group(0)


def version(text):
    return tuple(int(part) for part in text.split("."))


def read_windows_imports(path, processor):
    """The oldest Windows for PROCESSOR, as (version, name), and for each
    "dll!function" (the DLL in lower case) the oldest Windows that has it."""
    windows = {}
    functions = {}
    for line in read_lines(path):
        if not line or line.startswith("#"):
            continue
        match = re.match(r"^windows[ \t]+(\w+)[ \t]+(\d+\.\d+)[ \t]+(.+)$", line)
        if match:
            # The build takes the subsystem version from the same line.
            if match.group(1) in windows:
                raise Unusable(f"{path} names the oldest Windows for {match.group(1)} twice")
            windows[match.group(1)] = (match.group(2), match.group(3))
            continue
        match = re.match(r"^(\w+\.[Dd][Ll][Ll])[ \t]+([A-Za-z_]\w*)[ \t]+(\d+\.\d+)[ \t]+.+$", line)
        if not match:
            raise Unusable(f"{path}: cannot read '{line}'")
        key = f"{match.group(1).lower()}!{match.group(2)}"
        if key in functions:
            raise Unusable(f"{path}: {key} is listed twice")
        functions[key] = match.group(3)
    if processor not in windows:
        raise Unusable(f"{path} gives no oldest Windows for {processor}")
    return windows[processor], functions


def read_lines(path):
    try:
        with open(path, encoding="utf-8") as lines:
            return [line.rstrip("\n") for line in lines]
    except (OSError, UnicodeDecodeError) as error:
        raise Unusable(f"cannot read {path}: {error}") from None


EXPORT_LINE = re.compile(r"(?P<name>[A-Za-z_]\w*)(?:[ \t]*=[ \t]*(?P<function>[A-Za-z_][\w.]*?)"
                         r"(?:@(?P<bytes>\d+))?)?[ \t]+@(?P<ordinal>\d+)")


def read_definitions(path):
    """The exports a module-definition file gives, {ordinal: Export}, from
    ordinal 1 on without a gap."""
    wanted = {}
    names = set()
    for line in read_lines(path):
        line = line.split(";", 1)[0].strip()
        if not line or line == "EXPORTS":
            continue
        match = EXPORT_LINE.fullmatch(line)
        if not match:
            raise Unusable(f"{path}: cannot read '{line}'")
        export = Export(match)
        if export.ordinal == 0:
            raise Unusable(f"{path} gives '{export.name}' ordinal 0: ordinals start at 1")
        if export.ordinal in wanted:
            raise Unusable(f"{path} gives ordinal {export.ordinal} to both "
                           f"'{wanted[export.ordinal].name}' and '{export.name}'")
        if export.name in names:
            raise Unusable(f"{path} gives '{export.name}' twice")
        wanted[export.ordinal] = export
        names.add(export.name)
    if not wanted:
        raise Unusable(f"{path} gives no exports")
    missing = sorted(set(range(1, max(wanted) + 1)) - set(wanted))
    if missing:
        raise Unusable(f"{path} gives ordinals 1 to {max(wanted)} without "
                       f"{', '.join(str(ordinal) for ordinal in missing)}: the host finds exports at ordinals from 1 on")
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


def check_windows(pe, args, windows, functions):
    oldest, windows_name = windows
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


def check_definitions(wanted, definitions):
    """Each export's own function: one named after another export is that
    export's code, called with the arguments of this one."""
    by_name = {export.name: export for export in wanted.values()}
    for export in wanted.values():
        if export.function != export.name and export.function in by_name:
            raise Finding(f"{definitions}: '{export.definition}' points '{export.name}' at the function of "
                          f"'{export.function}': the host would call it with the arguments of '{export.name}'")


def argument_count(export):
    return "an unknown number of" if export.argument_bytes is None else str(export.argument_bytes // 4)


def check_shared_code(wanted, exported):
    """Exports that share code must take the same arguments, as a linker that
    folds identical functions leaves them."""
    by_address = {}
    for ordinal, address in sorted(exported.items()):
        by_address.setdefault(address, []).append(wanted[ordinal])
    for address, exports in by_address.items():
        first = exports[0]
        for other in exports[1:]:
            if other.argument_bytes != first.argument_bytes:
                raise Finding(f"'{first.name}' and '{other.name}' share code at {address:#x}, but the host "
                              f"passes {argument_count(first)} and {argument_count(other)} arguments")


def check_exports(pe, wanted, definitions):
    check_definitions(wanted, definitions)
    directory = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    if directory is None:
        raise Finding("exports nothing")
    if directory.struct.Base != 1:
        raise Finding(f"ordinal base {directory.struct.Base}, expected 1")
    found = {}
    for symbol in directory.symbols:
        if symbol.name is None:
            continue
        name = symbol.name.decode("ascii", "replace")
        if symbol.ordinal not in wanted:
            raise Finding(f"exports '{name}' at ordinal {symbol.ordinal}, which {definitions} does not give")
        # The host looks names up with their letter case.
        if name != wanted[symbol.ordinal].name:
            raise Finding(f"ordinal {symbol.ordinal} exports '{name}', expected '{wanted[symbol.ordinal].name}'")
        if symbol.forwarder is not None:
            raise Finding(f"'{name}' is forwarded to {symbol.forwarder.decode('ascii', 'replace')}: "
                          "the host would call that function instead of the plug-in's")
        if not in_code(pe, symbol.address):
            raise Finding(f"'{name}' points at {symbol.address:#x}, in none of the DLL's code sections")
        found[symbol.ordinal] = symbol.address
    for ordinal, export in wanted.items():
        if ordinal not in found:
            raise Finding(f"'{export.name}' is not exported at ordinal {ordinal}")
    if directory.struct.NumberOfFunctions != len(wanted):
        raise Finding(f"{directory.struct.NumberOfFunctions} ordinals exported, expected {len(wanted)}")
    check_shared_code(wanted, found)
    return (f"exports: {len(wanted)} names at ordinals 1 to {len(wanted)}, as in {definitions}, each code of its own "
            "or shared only with exports of the same arguments")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--dll", required=True)
    parser.add_argument("--def", dest="definitions", required=True)
    parser.add_argument("--imports", required=True)
    parser.add_argument("--processor", required=True, choices=sorted(MACHINES))
    args = parser.parse_args()
    try:
        windows, functions = read_windows_imports(args.imports, args.processor)
        wanted = read_definitions(args.definitions)
    except Unusable as problem:
        print(problem, file=sys.stderr)
        print(UNUSABLE, file=sys.stderr)
        return 1
    try:
        try:
            pe = pefile.PE(args.dll)
        except pefile.PEFormatError as error:
            raise Finding(f"not a Windows image: {error}") from None
        except OSError as error:
            raise Finding(f"cannot be read: {error.strerror}") from None
        kind = check_image(pe, args.processor)
        print(f"{args.dll}: {kind}, {check_windows(pe, args, windows, functions)}")
        print(f"{args.dll}: {check_placement(pe, args.processor)}")
        print(f"{args.dll}: {check_exports(pe, wanted, args.definitions)}")
    except Finding as finding:
        print(f"{args.dll}: {finding}", file=sys.stderr)
        print(FAILED, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
