#!/usr/bin/env python3
"""Gives a built PE file (.exe, .dll) its final unsigned form, in place:
its length padded with zeros to a multiple of 8 bytes and its header
checksum written.

    pe_checksum.py FILE...

An Authenticode signature is appended on an 8-byte boundary and the signing
tool writes the checksum; removing the signature recomputes the checksum and
keeps the padding. The linker writes neither, so without this step a signed
file with its signature removed would differ from the built one in those
bytes, and the reproducible bytes could not be checked against a signed
release. Running it again changes nothing.
"""
import struct
import sys


def checksum_offset(data):
    if len(data) < 0x40 or data[:2] != b"MZ":
        raise ValueError("not an MZ executable")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if pe + 24 + 68 > len(data) or data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE header")
    # Signature (4), file header (20); the checksum lies 64 bytes into the
    # optional header, in PE32 and PE32+ alike.
    return pe + 4 + 20 + 64


def pe_checksum(data, offset):
    """The checksum Windows' CheckSumMappedFile computes: 16-bit words added
    with end-around carry, the checksum field counted as zero, plus the
    file's length."""
    padded = data + b"\0" * (len(data) % 2)
    words = struct.unpack_from(f"<{len(padded) // 2}H", padded)
    total = sum(words) - words[offset // 2] - words[offset // 2 + 1]
    while total > 0xFFFF:
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def finish(data):
    data = bytes(data) + b"\0" * (-len(data) % 8)
    offset = checksum_offset(data)
    return data[:offset] + struct.pack("<I", pe_checksum(data, offset)) + data[offset + 4:]


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    for path in sys.argv[1:]:
        with open(path, "rb") as f:
            data = f.read()
        try:
            done = finish(data)
        except ValueError as e:
            raise SystemExit(f"pe_checksum: {path}: {e}")
        if done != data:
            with open(path, "wb") as f:
                f.write(done)


if __name__ == "__main__":
    main()
