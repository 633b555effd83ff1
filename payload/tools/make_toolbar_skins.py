#!/usr/bin/env python3
"""Draws the viewer's four toolbar skins as PNG strips.

Each skin is one row of square buttons (open, save, previous, next, zoom in,
zoom out, rotate, thumbnails, ...) in the skin's size. The pictures are plain
geometric glyphs computed here, so the payload carries no third-party art and
the output is the same byte for byte on every build.

    make_toolbar_skins.py OUT_FOLDER
"""
import math
import os
import struct
import sys
import zlib

# file name, button size, glyph colour, face colour (RGB)
SKINS = [
    ("gnome-colors-human_48.png", 48, (0x5a, 0x3e, 0x1f), (0xe8, 0xb8, 0x6e)),
    ("gnome-colors-wise_32.png", 32, (0x2f, 0x4f, 0x2f), (0x9c, 0xc8, 0x7a)),
    ("Kestrand_24.png", 24, (0x1c, 0x34, 0x6b), (0x8f, 0xb4, 0xe3)),
    ("Tobrin_16.png", 16, (0x40, 0x40, 0x40), (0xd0, 0xd0, 0xd0)),
]

GLYPHS = ["open", "save", "prev", "next", "zoom_in", "zoom_out", "rotate",
          "thumbs", "info", "delete", "slides", "fit"]


def inside(glyph, u, v):
    """True when the point (u, v) in the unit square [-1, 1]^2 is ink."""
    r = math.hypot(u, v)
    if glyph == "open":      # folder: tab and body
        return (-0.8 <= u <= 0.8 and -0.3 <= v <= 0.6) or (-0.8 <= u <= -0.1 and -0.5 <= v < -0.3)
    if glyph == "save":      # disk with label
        return -0.7 <= u <= 0.7 and -0.7 <= v <= 0.7 and not (-0.4 <= u <= 0.4 and -0.7 <= v <= -0.2)
    if glyph == "prev":
        return u >= -0.6 and abs(v) <= (u + 0.6) * 0.6 and u <= 0.6
    if glyph == "next":
        return u <= 0.6 and abs(v) <= (0.6 - u) * 0.6 and u >= -0.6
    if glyph in ("zoom_in", "zoom_out"):
        ring = 0.35 <= math.hypot(u + 0.15, v + 0.15) <= 0.55
        handle = 0.35 <= u <= 0.8 and abs(u - v) <= 0.15
        bar = abs(v + 0.15) <= 0.08 and abs(u + 0.15) <= 0.25
        if glyph == "zoom_in":
            bar = bar or (abs(u + 0.15) <= 0.08 and abs(v + 0.15) <= 0.25)
        return ring or handle or bar
    if glyph == "rotate":
        return 0.45 <= r <= 0.7 and not (u > 0 and v < 0 and u > -v * 0.2)
    if glyph == "thumbs":
        cell = lambda t: (t + 0.8) % 0.55 < 0.42
        return -0.8 <= u <= 0.85 and -0.8 <= v <= 0.85 and cell(u) and cell(v)
    if glyph == "info":
        return (abs(u) <= 0.12 and -0.1 <= v <= 0.7) or math.hypot(u, v + 0.45) <= 0.15
    if glyph == "delete":
        return (abs(u - v) <= 0.18 or abs(u + v) <= 0.18) and abs(u) <= 0.7 and abs(v) <= 0.7
    if glyph == "slides":
        return (-0.8 <= u <= 0.8 and -0.6 <= v <= 0.5) and not (-0.6 <= u <= 0.6 and -0.4 <= v <= 0.3)
    if glyph == "fit":
        return abs(abs(u) - 0.65) <= 0.1 and abs(v) <= 0.65 or abs(abs(v) - 0.65) <= 0.1 and abs(u) <= 0.65
    return False


def render(size, ink, face):
    width = size * len(GLYPHS)
    rows = []
    samples = 4  # 4x4 supersampling for soft edges
    for y in range(size):
        row = bytearray([0])  # filter type: none
        for x in range(width):
            glyph = GLYPHS[x // size]
            bx = x % size
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    u = ((bx + (sx + 0.5) / samples) / size) * 2 - 1
                    v = ((y + (sy + 0.5) / samples) / size) * 2 - 1
                    hits += inside(glyph, u * 1.1, v * 1.1)
            cover = hits / (samples * samples)
            # Button face: a rounded square, fully opaque inside.
            edge = max(abs((bx + 0.5) / size * 2 - 1), abs((y + 0.5) / size * 2 - 1))
            face_alpha = 1.0 if edge <= 0.92 else 0.0
            alpha = max(cover, face_alpha * 0.35)
            colour = [round(ink[i] * cover + face[i] * (1 - cover)) for i in range(3)]
            row += bytes(colour) + bytes([round(alpha * 255)])
        rows.append(bytes(row))
    return width, b"".join(rows)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(width, height, pixels):
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(pixels, 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_toolbar_skins.py OUT_FOLDER")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, size, ink, face in SKINS:
        width, pixels = render(size, ink, face)
        data = png(width, size, pixels)
        path = os.path.join(out, name)
        with open(path, "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
