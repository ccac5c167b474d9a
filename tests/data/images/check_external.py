#!/usr/bin/python3
"""Decodes the files the toolkit wrote with Pillow (BMP, JPEG, PNG) and ImageMagick (PSD) and
compares them with the pixels the toolkit saved. Used by the imaging tests when both programs
are installed.

Usage: check_external.py <folder>; each <name> in the folder has <name>.expect beside it:
u32 width, u32 height, u32 tolerance, then RGBA quadruples. Exit status 0 when all match. A PSD
named "*-layer.psd" is checked by its layer, others by their merged image.
"""
import struct
import subprocess
import sys
from pathlib import Path

from PIL import Image


def decode(path):
    if path.suffix == ".psd":
        frame = 1 if path.stem.endswith("-layer") else 0
        data = subprocess.run(["/usr/bin/convert", f"{path}[{frame}]", "-depth", "8", "rgba:-"], check=True,
                              capture_output=True).stdout
        return data
    with Image.open(path) as image:
        return image.convert("RGBA").tobytes()


def main():
    failures = 0
    for expect in sorted(Path(sys.argv[1]).glob("*.expect")):
        target = expect.with_suffix("")
        raw = expect.read_bytes()
        width, height, tolerance = struct.unpack_from("<III", raw)
        wanted = raw[12:]
        got = decode(target)
        if len(got) != len(wanted):
            print(f"{target.name}: {len(got)} bytes decoded, {len(wanted)} expected")
            failures += 1
            continue
        worst = max((abs(a - b) for a, b in zip(got, wanted)), default=0)
        if worst > tolerance:
            print(f"{target.name}: differs by {worst}")
            failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
