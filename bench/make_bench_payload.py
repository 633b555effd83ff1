#!/usr/bin/env python3
"""Stages a payload FACTOR times larger than a given one: the same 38 names
and folders, each file FACTOR times its size, its own bytes first and then
filler that deflates about as well as the original payload (part text, part
noise), so the archive grows linearly with the factor.

usage: make_bench_payload.py STAGED_FOLDER FACTOR OUT_FOLDER
"""
import os
import random
import shutil
import sys

WORDS = (b"Pixorra Bild Ansicht Datei Ordner Vorschau Werkzeug Leiste Sprache "
         b"Hilfe Miniatur Diashow Druck Format Farbe Helligkeit Kontrast ").split()


def filler(rng, size):
    out = bytearray()
    while len(out) < size:
        if rng.random() < 0.26:
            out += rng.randbytes(min(512, size - len(out)))
        else:
            out += b" ".join(rng.choice(WORDS) for _ in range(64)) + b"\r\n"
    return bytes(out[:size])


def main():
    source, factor, out = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    shutil.rmtree(out, ignore_errors=True)
    rng = random.Random(4242)
    for folder, dirs, files in os.walk(source):
        rel = os.path.relpath(folder, source)
        os.makedirs(os.path.join(out, rel), exist_ok=True)
        for name in files:
            with open(os.path.join(folder, name), "rb") as f:
                data = f.read()
            grown = data + filler(rng, len(data) * (factor - 1))
            path = os.path.join(out, rel, name)
            with open(path, "wb") as f:
                f.write(grown)
            st = os.stat(os.path.join(folder, name))
            os.utime(path, (st.st_atime, st.st_mtime))


if __name__ == "__main__":
    main()
