#!/usr/bin/python3
"""Runs a command that must refuse its input: it exits 1, without a Python
traceback, and its output matches the pattern in SAYS_FILE (a Python regular
expression, kept in a file so that it may hold any character), as it stands
or with its white space folded (CMake wraps the lines of its messages).

Usage: expect_refusal.py SAYS_FILE -- COMMAND [ARGUMENT...]
"""
import re
import subprocess
import sys


def main(argv):
    if len(argv) < 4 or argv[2] != "--":
        sys.exit(__doc__)
    with open(argv[1], encoding="utf-8") as file:
        says = file.read()
    run = subprocess.run(argv[3:], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, check=False)
    output = run.stdout.decode("utf-8", "replace")
    print(output, end="")
    problems = []
    if run.returncode != 1:
        problems.append(f"exit status {run.returncode}, expected 1")
    if "Traceback (most recent call last)" in output:
        problems.append("a Python traceback instead of a message")
    if not re.search(says, output) and not re.search(says, " ".join(output.split())):
        problems.append(f"no output matching: {says}")
    for problem in problems:
        print(f"expect_refusal: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
