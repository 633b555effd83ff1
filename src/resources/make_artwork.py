#!/usr/bin/env python3
"""Draws the setup's artwork: the 88 x 31 logo bitmap, the same logo at twice
the size (176 x 62, for screens of 192 DPI; the wizard scales it down with
halftoning between 96 and 192 DPI) and the program icon.

    make_artwork.py LOGO.bmp LARGE_LOGO.bmp ICON.ico

Everything is drawn here from simple shapes, so the build needs no image
files and no imaging library. The motif is a framed picture (a mountain under
a sun), the viewer's own emblem, on a blue tile.
"""
import struct
import sys

# --- small drawing kit -------------------------------------------------------

SUPERSAMPLE = 4  # per axis; edges of the icon shapes get smooth coverage


def blend(dst, src, alpha):
    return tuple(d + (s - d) * alpha for d, s in zip(dst, src))


def rounded_box_inside(x, y, left, top, right, bottom, radius):
    if x < left or x >= right or y < top or y >= bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def emblem_colour(u, v):
    """Colour (r, g, b, a) of the emblem at u, v in the unit square, or None."""
    if not rounded_box_inside(u, v, 0.02, 0.02, 0.98, 0.98, 0.20):
        return None
    # tile: blue, lighter at the top
    tile = blend((40, 110, 210), (10, 50, 130), v)
    # the picture inside the frame
    if 0.18 <= u < 0.82 and 0.22 <= v < 0.78:
        if not (0.23 <= u < 0.77 and 0.27 <= v < 0.73):
            return (250, 250, 250, 255)  # white frame
        sky = blend((150, 210, 255), (225, 240, 255), (v - 0.27) / 0.46)
        if (u - 0.63) ** 2 + (v - 0.40) ** 2 <= 0.07 ** 2:
            return (255, 200, 40, 255)  # sun
        ridge = 0.73 - max(0.0, 0.30 - abs(u - 0.42) * 1.3)
        if v >= ridge:
            return (60, 150, 70, 255) if v < ridge + 0.05 or u < 0.5 else (40, 120, 55, 255)
        return sky + (255,)
    return tile + (255,)


def render_emblem(size):
    """size x size RGBA rows, top row first, with supersampled edges."""
    rows = []
    n = SUPERSAMPLE
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    c = emblem_colour((x + (sx + 0.5) / n) / size, (y + (sy + 0.5) / n) / size)
                    if c:
                        a = c[3] / 255.0
                        acc[0] += c[0] * a
                        acc[1] += c[1] * a
                        acc[2] += c[2] * a
                        acc[3] += a
            cover = acc[3] / (n * n)
            if acc[3] > 0:
                row.append((acc[0] / acc[3], acc[1] / acc[3], acc[2] / acc[3], cover * 255))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


# 5 x 7 capitals and digits for the logo's lettering
GLYPHS = {
    "P": ["1111.", "1...1", "1...1", "1111.", "1....", "1....", "1...."],
    "I": ["111", ".1.", ".1.", ".1.", ".1.", ".1.", "111"],
    "X": ["1...1", "1...1", ".1.1.", "..1..", ".1.1.", "1...1", "1...1"],
    "O": [".111.", "1...1", "1...1", "1...1", "1...1", "1...1", ".111."],
    "R": ["1111.", "1...1", "1...1", "1111.", "1.1..", "1..1.", "1...1"],
    "A": [".111.", "1...1", "1...1", "11111", "1...1", "1...1", "1...1"],
    "S": [".1111", "1....", "1....", ".111.", "....1", "....1", "1111."],
    "E": ["11111", "1....", "1....", "1111.", "1....", "1....", "11111"],
    "T": ["11111", "..1..", "..1..", "..1..", "..1..", "..1..", "..1.."],
    "U": ["1...1", "1...1", "1...1", "1...1", "1...1", "1...1", ".111."],
    "4": ["...1.", "..11.", ".1.1.", "1..1.", "11111", "...1.", "...1."],
    "2": [".111.", "1...1", "....1", "...1.", "..1..", ".1...", "11111"],
    ".": [".", ".", ".", ".", ".", ".", "1"],
    " ": ["..", "..", "..", "..", "..", "..", ".."],
}


def draw_text(pixels, text, left, top, colour, bold, scale=1):
    """Glyph pixels as scale x scale blocks: the lettering stays crisp."""
    x = left
    for ch in text:
        glyph = GLYPHS[ch]
        for gy, line in enumerate(glyph):
            for gx, bit in enumerate(line):
                if bit == "1":
                    for dx in ((0, 1) if bold else (0,)):
                        for sy in range(scale):
                            for sx in range(scale):
                                px, py = x + (gx + dx) * scale + sx, top + gy * scale + sy
                                if 0 <= py < len(pixels) and 0 <= px < len(pixels[0]):
                                    pixels[py][px] = colour
        x += (len(glyph[0]) + (2 if bold else 1)) * scale
    return x


def render_logo(scale=1):
    """The logo: emblem at the left, the product name and version beside it;
    scale 1 is the 88 x 31 original, 2 the same drawing at twice the size."""
    width, height = 88 * scale, 31 * scale
    pixels = []
    for y in range(height):
        row = []
        for x in range(width):
            t = x / (width - 1)
            row.append(blend((245, 248, 252), (205, 222, 245), t * 0.8 + (y / height) * 0.2))
        pixels.append(row)
    emblem = render_emblem(27 * scale)
    for y, row in enumerate(emblem):
        for x, (r, g, b, a) in enumerate(row):
            px, py = x + 2 * scale, y + 2 * scale
            pixels[py][px] = blend(pixels[py][px], (r, g, b), a / 255.0)
    draw_text(pixels, "PIXORRA", 33 * scale, 6 * scale, (15, 55, 140), bold=True, scale=scale)
    draw_text(pixels, "SETUP 4.42", 33 * scale, 18 * scale, (70, 90, 120), bold=False, scale=scale)
    return pixels


# --- file formats ------------------------------------------------------------

def clamp(v):
    return max(0, min(255, int(round(v))))


def bmp_24(pixels):
    """A bottom-up 24-bit BMP file, rows padded to four bytes."""
    height, width = len(pixels), len(pixels[0])
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((clamp(b), clamp(g), clamp(r)))
        line += b"\0" * (stride - len(line))
        body += line
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(body), 0, 0, 14 + len(info))
    return header + info + body


def icon_image(rgba):
    """One icon image: 32-bit BGRA DIB (double height) plus its AND mask."""
    size = len(rgba)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(rgba):
        for r, g, b, a in row:
            colour += bytes((clamp(b), clamp(g), clamp(r), clamp(a)))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rgba):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return info + colour + mask


def ico(sizes):
    images = [icon_image(render_emblem(s)) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    return bytes(out)


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: make_artwork.py LOGO.bmp LARGE_LOGO.bmp ICON.ico")
    with open(sys.argv[1], "wb") as f:
        f.write(bmp_24(render_logo()))
    with open(sys.argv[2], "wb") as f:
        f.write(bmp_24(render_logo(scale=2)))
    with open(sys.argv[3], "wb") as f:
        f.write(ico([16, 24, 32, 48]))


if __name__ == "__main__":
    main()
