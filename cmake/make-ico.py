#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Packs square PNG pictures into one Windows .ico, each entry holding the
PNG data as it is (Windows Vista and later read such entries).
   make-ico.py OUT.ico IN.png...   (largest last or in any order)"""
import struct
import sys


def png_size(data: bytes, name: str) -> tuple[int, int]:
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        sys.exit(f"make-ico: {name} is no PNG")
    return struct.unpack(">II", data[16:24])


def main() -> None:
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    pictures = []
    for name in sys.argv[2:]:
        with open(name, "rb") as f:
            data = f.read()
        width, height = png_size(data, name)
        if width != height or width > 256:
            sys.exit(f"make-ico: {name} is {width}x{height}, not square up to 256")
        pictures.append((width, data))
    pictures.sort(key=lambda p: p[0])
    header = struct.pack("<HHH", 0, 1, len(pictures))
    offset = len(header) + 16 * len(pictures)
    entries, blobs = b"", b""
    for size, data in pictures:
        # 256 is written as 0; 32 bits per pixel, one plane.
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        blobs += data
        offset += len(data)
    with open(sys.argv[1], "wb") as f:
        f.write(header + entries + blobs)


main()
