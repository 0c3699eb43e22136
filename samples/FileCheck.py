#!/usr/bin/env python3
"""Post-processing script of the demo's "Export" command.

Checks that the input is a PDF file and writes it to the output path.
Usage: FileCheck.py INPUT.pdf OUTPUT.pdf
"""
import shutil
import sys


def main(argv):
    if len(argv) != 3:
        print("usage: FileCheck.py INPUT.pdf OUTPUT.pdf", file=sys.stderr)
        return 2
    source, target = argv[1], argv[2]
    try:
        with open(source, "rb") as f:
            head = f.read(5)
    except OSError as e:
        print(f"cannot read {source}: {e.strerror}", file=sys.stderr)
        return 1
    if head != b"%PDF-":
        print(f"{source} is not a PDF file", file=sys.stderr)
        return 1
    shutil.copyfile(source, target)
    print(f"checked {source}, wrote {target}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
