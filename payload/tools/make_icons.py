#!/usr/bin/env python3
"""Draws the viewer's icons (.ico, 32 and 16 pixels, 32-bit colour).

The viewer carries eight icons; the thumbnails link of the setup uses the one
at index 7, so the order of ICONS is part of the viewer's interface.

    make_icons.py OUT_FOLDER
"""
import os
import struct
import sys

# (file stem, background RGB, mark) in resource order
ICONS = [
    ("viewer", (0xc8, 0x3c, 0x28), "eye"),
    ("image", (0x3c, 0x78, 0xc8), "frame"),
    ("raw", (0x50, 0x50, 0x50), "frame"),
    ("web", (0x28, 0x96, 0x64), "frame"),
    ("folder", (0xe6, 0xb4, 0x3c), "folder"),
    ("slides", (0x8c, 0x3c, 0xa0), "frame"),
    ("print", (0x64, 0x64, 0x78), "frame"),
    ("thumbs", (0x1e, 0x82, 0xb4), "grid"),
]


def ink(mark, u, v):
    if mark == "eye":
        return (u * u) / 0.7 + (v * v) / 0.2 <= 1 and not (u * u + v * v <= 0.06)
    if mark == "frame":
        return 0.55 <= max(abs(u), abs(v)) <= 0.7
    if mark == "folder":
        return -0.7 <= u <= 0.7 and -0.35 <= v <= 0.6
    if mark == "grid":
        cell = lambda t: (t + 0.75) % 0.52 < 0.38
        return -0.75 <= u <= 0.8 and -0.75 <= v <= 0.8 and cell(u) and cell(v)
    return False


def dib(size, background, mark):
    pixels = bytearray()
    for y in range(size - 1, -1, -1):  # bottom-up rows
        for x in range(size):
            u = (x + 0.5) / size * 2 - 1
            v = (y + 0.5) / size * 2 - 1
            corner = max(abs(u), abs(v)) > 0.94
            if corner:
                pixels += b"\0\0\0\0"
            elif ink(mark, u, v):
                pixels += bytes([0xff, 0xff, 0xff, 0xff])
            else:
                r, g, b = background
                pixels += bytes([b, g, r, 0xff])
    mask_row = ((size + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels), 0, 0, 0, 0)
    return header + bytes(pixels) + bytes(mask_row * size)


def ico(background, mark):
    images = [dib(s, background, mark) for s in (32, 16)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icons.py OUT_FOLDER")
    os.makedirs(sys.argv[1], exist_ok=True)
    for stem, background, mark in ICONS:
        data = ico(background, mark)
        path = os.path.join(sys.argv[1], stem + ".ico")
        with open(path, "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
