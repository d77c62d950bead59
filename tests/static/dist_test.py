#!/usr/bin/python3
"""make dist, run on a copy of the project's texts: a good release is made
the same twice, dated by SOURCE_DATE_EPOCH; every other row must fail,
naming its step, and leave the folder with the previous release and its
SHA256SUMS as they were.

Usage: dist_test.py --dll PLUGIN.dll --rejected REJECTED.dll --root PROJECT
"""
import argparse
import contextlib
import hashlib
import importlib.util
import io
import os
import re
import shutil
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
# make-dist.py, loaded as a module so that a row can change one of its steps.
script = importlib.util.spec_from_file_location("make_dist", os.path.join(HERE, "..", "..", "scripts", "make-dist.py"))
make_dist = importlib.util.module_from_spec(script)
script.loader.exec_module(make_dist)

EPOCH = 1796911105  # 2026-12-10 13:58:25 UTC
SOURCES = ("dist/README-ja.txt", "dist/README-en.txt", "LICENSE", "src/plugin/plugin.def",
           "src/plugin/windows-imports.txt")


def edit(path, old, new):
    def change(root):
        file = os.path.join(root, path)
        with open(file, encoding="utf-8") as text:
            source = text.read()
        assert old in source, f"{path} has no '{old}'"
        with open(file, "w", encoding="utf-8") as text:
            text.write(source.replace(old, new, 1))
    return change


def swap_source_after_check(paths):
    """A rebuild that overwrites the DLL once its copy is checked."""
    check = make_dist.check_dll

    def check_then_swap(dll, root):
        check(dll, root)
        shutil.copyfile(paths.rejected, paths.source_dll)
    make_dist.check_dll = check_then_swap


def alter_packed_dll(_paths):
    write = make_dist.write_zip

    def write_altered(path, members, date):
        members = dict(members)
        members[make_dist.DLL_NAME] = members[make_dist.DLL_NAME][:-1] + b"\x01"
        write(path, members, date)
    make_dist.write_zip = write_altered


# name, change to the project's texts, change to make-dist, DLL, ZIP name,
# what it says (a pattern; None: it succeeds)
ROWS = (
    ("a DLL its check rejects", None, None, "rejected", "OmbryTovanal-1.1.zip",
     r"checking the DLL failed: the DLL is not packed:\n.*lack NX_COMPAT"),
    ("a stray CR before a Japanese character", edit("dist/README-ja.txt", "\n英語の説明書", "\r英語の説明書"), None,
     "product", "OmbryTovanal-1.1.zip",
     r"reading the ZIP back failed: README-ja.txt: line 10 has a CR or LF that does not end it as CR LF"),
    ("〜, which code page 932 reads back as ～", edit("dist/README-ja.txt", "最初の公開版", "最初の〜公開版"), None,
     "product", "OmbryTovanal-1.1.zip",
     r"reading the ZIP back failed: README-ja.txt read as cp932 differs from dist/README-ja.txt at line \d+: "
     r"'～' \(U\+FF5E\) where the source has '〜' \(U\+301C\)"),
    ("a character code page 932 lacks", edit("dist/README-ja.txt", "最初の公開版", "最初の café 公開版"), None,
     "product", "OmbryTovanal-1.1.zip",
     r"encoding the texts failed: dist/README-ja.txt: line \d+: 'é' \(U\+00E9\) has no code in cp932"),
    ("a readme title naming another version", edit("dist/README-en.txt", "plug-in 1.1", "plug-in 1.2"), None,
     "product", "OmbryTovanal-1.1.zip",
     r"reading the texts failed: dist/README-en.txt: its title names 1.2, the DLL's product version is 1.1"),
    ("a newest history entry of another version", edit("dist/README-ja.txt", "\n1.1 (", "\n1.0 ("), None,
     "product", "OmbryTovanal-1.1.zip",
     r"reading the texts failed: dist/README-ja.txt: the newest entry of '更新履歴' is not 1.1"),
    ("a readme that does not list a file of the ZIP", edit("dist/README-en.txt", "LICENSE.txt        the full text of the MIT License\n", ""),
     None, "product", "OmbryTovanal-1.1.zip",
     r"'Files' lists OmbryTovanal.dll, README-ja.txt, README-en.txt; the ZIP holds .*LICENSE.txt"),
    ("a ZIP name naming another version", None, None, "product", "OmbryTovanal-1.2.zip",
     r"reading the DLL's version failed: the ZIP is named OmbryTovanal-1.2.zip, but the DLL's product version is 1.1"),
    ("the packed DLL differs from the checked one", None, alter_packed_dll, "product", "OmbryTovanal-1.1.zip",
     r"reading the ZIP back failed: the DLL in the ZIP differs from the one checked"),
    ("the DLL rebuilt after its check: the checked copy is packed", None, swap_source_after_check, "product",
     "OmbryTovanal-1.1.zip", None),
)


def run(root, dll, zip_path):
    out, err = io.StringIO(), io.StringIO()
    with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
        status = make_dist.main(["--dll", dll, "--zip", zip_path, "--root", root])
    return status, out.getvalue() + err.getvalue()


def folder_state(folder):
    return {name: open(os.path.join(folder, name), "rb").read() for name in sorted(os.listdir(folder))}


def release_problems(folder, product):
    """A release: the ZIP's files dated EPOCH, its DLL the product, and
    SHA256SUMS that agrees with both."""
    problems = []
    zip_path = os.path.join(folder, "OmbryTovanal-1.1.zip")
    with zipfile.ZipFile(zip_path) as archive:
        dates = {info.date_time for info in archive.infolist()}
        if dates != {(2026, 12, 10, 13, 58, 24)}:
            problems.append(f"dated {dates}, not by SOURCE_DATE_EPOCH")
        dll = archive.read(make_dist.DLL_NAME)
    if dll != open(product, "rb").read():
        problems.append("the ZIP's DLL is not the product")
    sums = open(os.path.join(folder, "SHA256SUMS"), encoding="ascii").read()
    wanted = (f"{hashlib.sha256(open(zip_path, 'rb').read()).hexdigest()}  OmbryTovanal-1.1.zip\n"
              f"{hashlib.sha256(dll).hexdigest()}  {make_dist.DLL_NAME}\n")
    if sums != wanted:
        problems.append(f"SHA256SUMS says {sums!r}, expected {wanted!r}")
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dll", required=True)
    parser.add_argument("--rejected", required=True)
    parser.add_argument("--root", required=True)
    paths = parser.parse_args()
    os.environ["SOURCE_DATE_EPOCH"] = str(EPOCH)
    failures = 0
    with tempfile.TemporaryDirectory() as work:
        # The previous release, made twice: the same bytes.
        releases = []
        for n in (1, 2):
            status, said = run(paths.root, paths.dll, os.path.join(work, f"release{n}", "OmbryTovanal-1.1.zip"))
            problems = [] if status == 0 else [f"exit {status}: {said}"]
            releases.append(folder_state(os.path.join(work, f"release{n}")))
        if releases[0] != releases[1]:
            problems.append("two runs gave different bytes")
        problems += release_problems(os.path.join(work, "release1"), paths.dll)
        print(f"{'ok  ' if not problems else 'FAIL'} a release made twice: the same bytes, dated by SOURCE_DATE_EPOCH")
        for problem in problems:
            print(f"       {problem}")
        failures += bool(problems)

        for n, (name, change_texts, change_tool, dll, zip_name, says) in enumerate(ROWS):
            root = os.path.join(work, f"root{n}")
            for source in SOURCES:
                os.makedirs(os.path.dirname(os.path.join(root, source)), exist_ok=True)
                shutil.copyfile(os.path.join(paths.root, source), os.path.join(root, source))
            if change_texts:
                change_texts(root)
            paths.source_dll = os.path.join(work, f"build{n}.dll")
            shutil.copyfile(paths.rejected if dll == "rejected" else paths.dll, paths.source_dll)
            folder = os.path.join(work, f"dist{n}")
            shutil.copytree(os.path.join(work, "release1"), folder)
            before = folder_state(folder)
            original = (make_dist.check_dll, make_dist.write_zip)
            if change_tool:
                change_tool(paths)
            try:
                status, said = run(root, paths.source_dll, os.path.join(folder, zip_name))
            finally:
                make_dist.check_dll, make_dist.write_zip = original
            problems = []
            if says is None:
                if status != 0:
                    problems.append(f"exit {status}")
                problems += release_problems(folder, paths.dll)
            else:
                if status != 1:
                    problems.append(f"exit {status}, expected 1")
                if not re.search(says, said, re.DOTALL):
                    problems.append(f"no output matching: {says}")
                if folder_state(folder) != before:
                    problems.append(f"the folder changed: {sorted(folder_state(folder))}")
            print(f"{'ok  ' if not problems else 'FAIL'} {name}")
            for problem in problems:
                print(f"       {problem}")
            if problems:
                print("     output:\n" + re.sub(r"(?m)^", "       | ", said))
            failures += bool(problems)
    print(f"{len(ROWS) + 1 - failures} of {len(ROWS) + 1} rows passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
