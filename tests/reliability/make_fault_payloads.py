#!/usr/bin/env python3
"""Broken copies of the real payload archive for the fault tests.

make_fault_payloads.py PAYLOAD.zip OUT_DIR
  damaged.zip    one byte flipped in the middle of the viewer's packed data
  truncated.zip  the first half of the archive (no central directory)
"""
import os
import struct
import sys


def flip_in_entry(data, name):
    wanted = name.encode()
    offset = 0
    while True:
        offset = data.find(b"PK\x03\x04", offset)
        if offset < 0:
            raise SystemExit("entry %s not found" % name)
        (packed, _, name_len, extra_len) = struct.unpack_from("<IIHH", data, offset + 18)
        entry_name = data[offset + 30: offset + 30 + name_len]
        if entry_name == wanted:
            start = offset + 30 + name_len + extra_len
            if packed < 2:
                raise SystemExit("entry %s is empty" % name)
            damaged = bytearray(data)
            damaged[start + packed // 2] ^= 0xFF
            return bytes(damaged)
        offset += 4


def main():
    payload, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    with open(payload, "rb") as f:
        whole = f.read()
    with open(os.path.join(out, "damaged.zip"), "wb") as f:
        f.write(flip_in_entry(whole, "px_main64.exe"))
    with open(os.path.join(out, "truncated.zip"), "wb") as f:
        f.write(whole[: len(whole) // 2])


if __name__ == "__main__":
    main()
