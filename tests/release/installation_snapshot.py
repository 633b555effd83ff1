#!/usr/bin/env python3
"""What a silent installation changed in a Wine prefix, as lines that compare
equal for equal installations: every file created or touched after MARKER
(path, shown date, contents with any Authenticode signature taken off, and
whether it was signed; links without the folder dates they copy) and the
whole registry, without Wine's own times.

    installation_snapshot.py PREFIX MARKER > snapshot.txt
"""
import hashlib
import os
import re
import struct
import subprocess
import sys
import tempfile
import time

REGISTRY_FILES = ("system.reg", "user.reg", "userdef.reg")


def signature_entry(data):
    """(offset, size) of the certificate table of a PE32+ file, else None."""
    if len(data) < 0x40 or data[:2] != b"MZ":
        return None
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if pe + 24 + 152 > len(data) or data[pe:pe + 4] != b"PE\0\0":
        return None
    optional = pe + 24
    if struct.unpack_from("<H", data, optional)[0] != 0x20B:
        return None
    return struct.unpack_from("<II", data, optional + 144)


def unsigned_digest(path, data):
    entry = signature_entry(data)
    if not entry or entry == (0, 0):
        return hashlib.sha256(data).hexdigest(), "-"
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "unsigned")
        subprocess.run(["osslsigncode", "remove-signature", "-in", path, "-out", out],
                       check=True, capture_output=True)
        with open(out, "rb") as f:
            return hashlib.sha256(f.read()).hexdigest(), "signed"


def link_digest(data):
    """A .lnk file's digest without its ID list: the items of the folders on
    the way to the target copy those folders' dates, and the folders the
    setup created carry the minute of the installation. The target stays in
    the link's LinkInfo (its local path), the rest as written."""
    if len(data) >= 0x4E and struct.unpack_from("<I", data, 0x14)[0] & 1:  # HasLinkTargetIDList
        data = data[:0x4C] + data[0x4E + struct.unpack_from("<H", data, 0x4C)[0]:]
    return hashlib.sha256(data).hexdigest()


def record_digest(data):
    """The install record's digest without the size and CRC-32 of each file:
    the signed programs are larger than the unsigned ones by their
    signatures, and the record stamps what was written; everything else
    must be equal."""
    text = re.sub(rb"(?m)^(File\t[^\t\r\n]*)\t\d+\t\d+(?=\r?$)", rb"\1", data)
    return hashlib.sha256(text).hexdigest()


def files(prefix, since):
    drive = os.path.join(prefix, "drive_c")
    for base, dirs, names in os.walk(drive):
        dirs.sort()
        for name in sorted(names):
            path = os.path.join(base, name)
            if os.path.islink(path):
                continue
            st = os.stat(path)
            if st.st_ctime_ns <= since:
                continue
            with open(path, "rb") as f:
                data = f.read()
            if name.lower().endswith(".lnk"):
                digest, signed = link_digest(data), "-"
            elif name.lower() == "pv_uninstall.dat":
                digest, signed = record_digest(data), "-"
            else:
                digest, signed = unsigned_digest(path, data)
            if st.st_mtime_ns > since:
                shown = "(written-by-the-installation)"  # the settings file and the links
            else:
                shown = time.strftime("%Y-%m-%d %H:%M:%S", time.localtime(st.st_mtime))
            rel = os.path.relpath(path, drive)
            # The log and temporary files of Wine's own services are no part of the installation.
            if rel.startswith(("windows/", "users/")) and rel.endswith((".log", ".tmp")):
                continue
            yield f"file {rel} {shown} {digest} {signed}"


def registry_lines(f):
    """The lines of a registry file, the install record's copy in the
    uninstall entry (a hex value over many lines) as one line with the
    record's digest (see record_digest)."""
    lines = iter(f)
    for line in lines:
        line = line.rstrip("\n")
        if line.startswith('"InstallRecord"=hex:'):
            hex_text = line[len('"InstallRecord"=hex:'):]
            while hex_text.endswith("\\"):
                hex_text = hex_text[:-1] + next(lines).strip()
            data = bytes(int(b, 16) for b in hex_text.split(",") if b)
            yield '"InstallRecord"=record:' + record_digest(data)
            continue
        yield line


def registry(prefix):
    for reg in REGISTRY_FILES:
        if not os.path.exists(os.path.join(prefix, reg)):
            continue
        with open(os.path.join(prefix, reg), encoding="utf-8", errors="replace") as f:
            for line in registry_lines(f):
                # Wine's own times; a display driver's date is written at every start.
                if line.startswith("#time=") or line.startswith('"DriverDateData"='):
                    continue
                yield reg + " " + re.sub(r"^(\[.*\]) \d+$", r"\1", line)


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    prefix, marker = sys.argv[1:]
    since = os.stat(marker).st_mtime_ns
    for line in files(prefix, since):
        print(line)
    for line in registry(prefix):
        print(line)


if __name__ == "__main__":
    main()
