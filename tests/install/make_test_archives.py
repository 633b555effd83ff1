#!/usr/bin/env python3
"""Writes the small, partly broken archives the unpacking tests feed in.

usage: make_test_archives.py OUT_FOLDER
"""
import io
import os
import sys
import zipfile

# One fixed entry time, so the tests can compare file times exactly.
STAMP = (2019, 5, 17, 13, 45, 22)
BIG = bytes((i * 7919 + (i >> 5)) % 251 for i in range(200_000))


def entry(archive, name, data=b"", deflate=True):
    info = zipfile.ZipInfo(name, date_time=STAMP)
    if name.endswith("/"):
        info.external_attr = (0o40755 << 16) | 0x10
    else:
        info.external_attr = 0o644 << 16
    info.compress_type = zipfile.ZIP_DEFLATED if deflate else zipfile.ZIP_STORED
    archive.writestr(info, data)


def build(entries):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        for args in entries:
            entry(archive, *args)
    return bytearray(buffer.getvalue())


def flip_inside(data, name):
    """Flips one byte in the middle of the named entry's stored data."""
    with zipfile.ZipFile(io.BytesIO(bytes(data))) as archive:
        info = archive.getinfo(name)
    header = info.header_offset
    name_length = int.from_bytes(data[header + 26:header + 28], "little")
    extra_length = int.from_bytes(data[header + 28:header + 30], "little")
    start = header + 30 + name_length + extra_length
    data[start + info.compress_size // 2] ^= 0x5A
    return data


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    archives = {
        # Directory entries after their files, one folder without any.
        "late_dirs.zip": build([
            ("Sub/inner/deep.txt", b"deep file\r\n"),
            ("top.txt", b"top file\r\n"),
            ("Lone/alone.txt", b"no directory entry\r\n"),
            ("Sub/", b""),
            ("Sub/inner/", b""),
            ("Back\\slash.txt", b"backslash separator\r\n"),
            ("big.bin", BIG),
        ]),
        # Names that would leave the destination, between good entries.
        "escaping.zip": build([
            ("good1.txt", b"1"),
            ("../escape1.txt", b"x"),
            ("/escape2.txt", b"x"),
            ("Sub/../../escape3.txt", b"x"),
            ("..\\escape4.txt", b"x"),
            ("C:/escape5.txt", b"x"),
            ("evil/../", b""),
            ("good2.txt", b"2"),
        ]),
        "damaged_deflated.zip": flip_inside(build([
            ("first.txt", b"written before the damage"),
            ("big.bin", BIG),
            ("after.txt", b"never reached"),
        ]), "big.bin"),
        "damaged_stored.zip": flip_inside(build([
            ("first.txt", b"written before the damage"),
            ("stored.bin", BIG[:5000], False),
            ("after.txt", b"never reached"),
        ]), "stored.bin"),
        "empty.zip": build([]),
    }
    # Enough entries for two readers to share: folders listed before, after
    # or never, deflated and stored data of many sizes.
    many = []
    for i in range(48):
        folder = f"F{i % 5}/" + ("deep/" if i % 3 == 0 else "")
        if i % 7 == 0:
            many.append((folder, b""))
        many.append((f"{folder}file{i:02}.bin", BIG[: 1000 * (i * 37 % 41) + i], i % 4 != 0))
    archives["many.zip"] = build(many)
    archives["many_damaged.zip"] = flip_inside(build(many), "F1/file31.bin")
    whole = build([("first.txt", b"a"), ("big.bin", BIG), ("last.txt", b"z")])
    archives["truncated.zip"] = whole[:len(whole) // 2]
    for name, data in archives.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
