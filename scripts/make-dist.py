#!/usr/bin/python3
"""Packs the plug-in for users, whole or not at all.

Everything is made in a staging folder beside the ZIP: the DLL is copied
there and that copy is checked (scripts/check-plugin-dll.py) and packed, so
what is checked is what is packed. Its product version, read from its version
resource, must be the one the ZIP's name and the readmes' titles and newest
history entries name. The texts go in as a user's viewer on Windows reads
them: the English readme in UTF-8 with a byte-order mark (a viewer then takes
it as UTF-8 instead of guessing the ANSI code page), the Japanese one in code
page 932 without a mark, the license in ASCII, every line ending in CR LF.
The readmes list the files the ZIP holds. The ZIP is then read back: each text
must read as its source, and the DLL must be the one checked, byte for byte.
Only then is the ZIP moved into place, with SHA256SUMS beside it (the SHA-256
of the ZIP and of the DLL inside it, as `sha256sum -c` reads them); the old
SHA256SUMS goes first, so that no SHA256SUMS ever stands beside a ZIP it does
not describe. A failed step says which it was and leaves the folder as it was.

The same commit gives the same bytes: fixed order, modes and compression, and
every file dated SOURCE_DATE_EPOCH (seconds since 1970, UTC), by default the
time of the last commit.

Usage: make-dist.py --dll PLUGIN.dll --zip OUTPUT.zip [--root PROJECT]
"""
import argparse
import codecs
import contextlib
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

import pefile

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check-plugin-dll.py")
DLL_NAME = "OmbryTovanal.dll"
ZIP_NAME = "OmbryTovanal-{version}.zip"


class Text:
    """A text of the ZIP: its source in the project, and how it is packed."""

    def __init__(self, name, source, encoding, mark=b"", files=None, history=None):
        self.name = name
        self.source = source
        self.encoding = encoding
        self.mark = mark
        self.files = files  # the heading of the section that lists the ZIP's files
        self.history = history  # the heading of the version history


TEXTS = (
    Text("README-ja.txt", "dist/README-ja.txt", "cp932", files="同梱ファイル", history="更新履歴"),
    Text("README-en.txt", "dist/README-en.txt", "utf-8", codecs.BOM_UTF8, files="Files", history="History"),
    Text("LICENSE.txt", "LICENSE", "ascii"),
)
MEMBERS = (DLL_NAME,) + tuple(text.name for text in TEXTS)


class Failed(Exception):
    pass


def read_bytes(path):
    with open(path, "rb") as file:
        return file.read()


def check_dll(dll, root):
    check = subprocess.run(
        [sys.executable, CHECK, "--dll", dll,
         "--def", os.path.join(root, "src", "plugin", "plugin.def"),
         "--imports", os.path.join(root, "src", "plugin", "windows-imports.txt"), "--processor", "i686"],
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, check=False)
    if check.returncode != 0:
        raise Failed("the DLL is not packed:\n" + check.stdout.rstrip())


def product_version(dll):
    """The product version of the DLL's version resource, without its
    trailing zero parts: 1.1.0.0 is "1.1"."""
    pe = pefile.PE(dll)
    fixed = getattr(pe, "VS_FIXEDFILEINFO", None)
    if not fixed:
        raise Failed("the DLL has no version resource")
    parts = [fixed[0].ProductVersionMS >> 16, fixed[0].ProductVersionMS & 0xFFFF,
             fixed[0].ProductVersionLS >> 16, fixed[0].ProductVersionLS & 0xFFFF]
    while len(parts) > 2 and parts[-1] == 0:
        parts.pop()
    return ".".join(str(part) for part in parts)


def section(lines, heading):
    """The lines of a readme's section, from below its underline to the next
    heading."""
    try:
        start = lines.index(heading) + 2
    except ValueError:
        raise Failed(f"no section '{heading}'") from None
    end = start
    while end < len(lines) and not (end + 1 < len(lines) and re.fullmatch(r"[-=]{3,}", lines[end + 1])):
        end += 1
    return lines[start:end]


def check_names(text, source, version):
    """A readme names the DLL's version in its title and its newest history
    entry, and lists exactly the files the ZIP holds."""
    lines = source.splitlines()
    named = re.findall(r"\b\d+(?:\.\d+)+\b", lines[0])
    if named != [version]:
        raise Failed(f"{text.source}: its title names {', '.join(named) or 'no version'}, "
                     f"the DLL's product version is {version}")
    entries = [line for line in section(lines, text.history) if re.match(r"\d", line)]
    if not entries or not entries[0].startswith(version + " "):
        raise Failed(f"{text.source}: the newest entry of '{text.history}' is not {version}")
    listed = [line.split()[0] for line in section(lines, text.files) if line.strip()]
    if listed != list(MEMBERS):
        raise Failed(f"{text.source}: '{text.files}' lists {', '.join(listed)}; the ZIP holds {', '.join(MEMBERS)}")


def encode(text, source):
    packed = source.replace("\n", "\r\n")
    try:
        return text.mark + packed.encode(text.encoding)
    except UnicodeEncodeError as error:
        line = packed.count("\n", 0, error.start) + 1
        raise Failed(f"{text.source}: line {line}: {shown(packed[error.start])} has no code "
                     f"in {text.encoding}") from None


def date_of_release(root):
    """SOURCE_DATE_EPOCH, or the last commit's time, as a ZIP date (UTC, to
    the even second)."""
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if not epoch:
        # Only the commit's time is read, so a tree of another user's (root's
        # make dist in a user's clone) is no danger to git.
        root = os.path.abspath(root)
        try:
            commit = subprocess.run(["git", "-c", f"safe.directory={root}", "-C", root, "log", "-1", "--format=%ct"],
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, check=False)
        except OSError as error:
            raise Failed(f"no SOURCE_DATE_EPOCH, and git cannot run: {error}") from None
        epoch = commit.stdout.strip()
        if commit.returncode != 0 or not epoch:
            raise Failed(f"no SOURCE_DATE_EPOCH, and git gives no commit time: {commit.stderr.strip()}")
    if not epoch.isdigit():
        raise Failed(f"SOURCE_DATE_EPOCH is '{epoch}', not a number of seconds")
    date = time.gmtime(int(epoch))[:6]
    if date[0] < 1980:
        raise Failed(f"SOURCE_DATE_EPOCH {epoch} is before 1980, the first date a ZIP can hold")
    return date[:5] + (date[5] - date[5] % 2,)


def write_zip(path, members, date):
    with zipfile.ZipFile(path, "w") as archive:
        for name, data in members.items():
            info = zipfile.ZipInfo(name, date)
            info.create_system = 3
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data, compresslevel=9)


def read_text_back(text, data, source):
    if not data.startswith(text.mark) or (not text.mark and data.startswith(codecs.BOM_UTF8)):
        raise Failed(f"{text.name} does not begin with {'its byte-order mark' if text.mark else 'its text'}")
    body = data[len(text.mark):]
    lines = body.split(b"\r\n")
    for number, line in enumerate(lines, 1):
        if b"\r" in line or b"\n" in line:
            raise Failed(f"{text.name}: line {number} has a CR or LF that does not end it as CR LF")
    if lines[-1]:
        raise Failed(f"{text.name}: its last line does not end in CR LF")
    try:
        read = body.decode(text.encoding)
    except UnicodeDecodeError as error:
        raise Failed(f"{text.name} cannot be read as {text.encoding}: {error}") from None
    for number, (got, wanted) in enumerate(zip(read.split("\r\n"), source.split("\n")), 1):
        if got != wanted:
            at = next((i for i, (a, b) in enumerate(zip(got, wanted)) if a != b), min(len(got), len(wanted)))
            raise Failed(f"{text.name} read as {text.encoding} differs from {text.source} at line {number}: "
                         f"{shown(got[at:at + 1])} where the source has {shown(wanted[at:at + 1])}")


def shown(character):
    return f"'{character}' (U+{ord(character):04X})" if character else "the line's end"


def read_back(path, texts, dll, date):
    with zipfile.ZipFile(path) as archive:
        if tuple(archive.namelist()) != MEMBERS:
            raise Failed(f"it holds {', '.join(archive.namelist())}, expected {', '.join(MEMBERS)}")
        damaged = archive.testzip()
        if damaged is not None:
            raise Failed(f"{damaged} is damaged")
        for info in archive.infolist():
            if info.date_time != date:
                raise Failed(f"{info.filename} is dated {info.date_time}, expected {date}")
        for text in TEXTS:
            read_text_back(text, archive.read(text.name), texts[text.name])
        if archive.read(DLL_NAME) != read_bytes(dll):
            raise Failed("the DLL in the ZIP differs from the one checked")


def sha256(path):
    return hashlib.sha256(read_bytes(path)).hexdigest()


def publish(stage, zip_path, dll):
    """The ZIP into place, then SHA256SUMS; the old SHA256SUMS goes first."""
    folder = os.path.dirname(zip_path)
    name = os.path.basename(zip_path)
    staged_sums = os.path.join(stage, "SHA256SUMS")
    with open(staged_sums, "w", encoding="ascii") as sums:
        sums.write(f"{sha256(os.path.join(stage, name))}  {name}\n{sha256(dll)}  {DLL_NAME}\n")
    sums_path = os.path.join(folder, "SHA256SUMS")
    with contextlib.suppress(FileNotFoundError):
        os.remove(sums_path)
    os.replace(os.path.join(stage, name), zip_path)
    os.replace(staged_sums, sums_path)
    return sums_path


def make(dll, zip_path, root):
    folder = os.path.dirname(zip_path)
    name = os.path.basename(zip_path)
    os.makedirs(folder, exist_ok=True)
    stage = tempfile.mkdtemp(prefix=".staging-", dir=folder)
    step = "copying the DLL"
    try:
        staged_dll = os.path.join(stage, DLL_NAME)
        shutil.copyfile(dll, staged_dll)
        step = "checking the DLL"
        check_dll(staged_dll, root)
        step = "reading the DLL's version"
        version = product_version(staged_dll)
        if name != ZIP_NAME.format(version=version):
            raise Failed(f"the ZIP is named {name}, but the DLL's product version is {version}")
        step = "reading the texts"
        texts = {}
        for text in TEXTS:
            # Line ends as they stand: a CR in a source is not taken for a line end.
            with open(os.path.join(root, text.source), encoding="utf-8", newline="") as file:
                texts[text.name] = file.read()
            if text.history:
                check_names(text, texts[text.name], version)
        step = "encoding the texts"
        members = {DLL_NAME: read_bytes(staged_dll)}
        members.update((text.name, encode(text, texts[text.name])) for text in TEXTS)
        step = "dating the files"
        date = date_of_release(root)
        step = "writing the ZIP"
        write_zip(os.path.join(stage, name), members, date)
        step = "reading the ZIP back"
        read_back(os.path.join(stage, name), texts, staged_dll, date)
        step = "putting the ZIP in place"
        return publish(stage, zip_path, staged_dll)
    except (Failed, OSError, UnicodeDecodeError, zipfile.BadZipFile, pefile.PEFormatError) as error:
        # Up to the last step the folder is untouched; in it, the old
        # SHA256SUMS is gone and the new ZIP may be in place without its own.
        left = ("may hold the new ZIP without a SHA256SUMS" if step == "putting the ZIP in place"
                else "is as it was")
        raise Failed(f"{step} failed: {error}\nmake-dist: {folder} {left}") from None
    finally:
        shutil.rmtree(stage, ignore_errors=True)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--dll", required=True)
    parser.add_argument("--zip", required=True)
    parser.add_argument("--root", default=os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    args = parser.parse_args(argv)
    zip_path = os.path.abspath(args.zip)
    try:
        sums = make(args.dll, zip_path, args.root)
    except Failed as failure:
        print(f"make-dist: {failure}", file=sys.stderr)
        return 1
    print(zip_path)
    print(sums)
    return 0


if __name__ == "__main__":
    sys.exit(main())
