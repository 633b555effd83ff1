#!/usr/bin/env python3
"""Packs a staged payload folder into the setup's ZIP archive.

Every folder gets a directory entry of its own ("Name/") listed before the
files in it. Files are deflated where that makes them smaller, else stored.
Entry times are the files' modification times (two-second resolution).
"""
import os
import sys
import zipfile
import zlib


def add_file(archive, path, name):
    with open(path, "rb") as f:
        data = f.read()
    info = zipfile.ZipInfo(name, date_time=entry_time(path))
    info.external_attr = 0o644 << 16
    compressed = zlib.compressobj(9, zlib.DEFLATED, -15)
    packed = compressed.compress(data) + compressed.flush()
    info.compress_type = zipfile.ZIP_DEFLATED if len(packed) < len(data) else zipfile.ZIP_STORED
    archive.writestr(info, data, compresslevel=9)


def entry_time(path):
    import time
    t = time.localtime(max(os.path.getmtime(path), 315532800))  # not before 1980
    return (t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec - t.tm_sec % 2)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_payload_zip.py OUT.zip STAGED_FOLDER")
    out, root = sys.argv[1], sys.argv[2]
    tmp = out + ".tmp"
    with zipfile.ZipFile(tmp, "w") as archive:
        for folder, dirs, files in os.walk(root):
            dirs.sort(key=str.lower)
            rel = os.path.relpath(folder, root)
            if rel != ".":
                info = zipfile.ZipInfo(rel.replace(os.sep, "/") + "/", date_time=entry_time(folder))
                info.external_attr = (0o40755 << 16) | 0x10
                archive.writestr(info, b"")
            for name in sorted(files, key=str.lower):
                path = os.path.join(folder, name)
                entry = name if rel == "." else rel.replace(os.sep, "/") + "/" + name
                add_file(archive, path, entry)
    os.replace(tmp, out)


if __name__ == "__main__":
    main()
