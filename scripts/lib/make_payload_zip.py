#!/usr/bin/env python3
"""Packs the setup's payload archive.

    make_payload_zip.py OUT.zip FOLDER
        packs FOLDER as it is;
    make_payload_zip.py OUT.zip FOLDER [--tree SRC]... [--file DEST=SRC]...
        first makes FOLDER afresh from copies of the SRC trees and of single
        files (DEST is the path inside the archive, "/" separated), keeping
        their modification times, then packs it.
    --date "YYYY-MM-DD HH:MM:SS" (with either form)
        dates every entry with that one time, the release's, instead of the
        files' own: the archive's bytes then depend on nothing but the files'
        contents and names, and installed files show the release date.

The archive is laid out the way the setup's unpacking and its tests expect:
- entries in a fixed order: a folder's files (sorted without regard to case),
  then each sub-folder (same order) as a directory entry "Name/" followed by
  its contents; so every directory entry comes before the files in it;
- DOS attributes (0x10 folder, 0x20 file) and each file's own modification
  time, or the one --date, as its DOS date and time (local time, rounded down
  to two seconds, kept within the DOS range 1980-2107);
- files deflated at level 9 when that makes them smaller, else stored;
- no settings file "px_main64.ini" at the top: the setup writes that file
  itself and must never overwrite a user's settings with a shipped one.
"""
import datetime
import os
import shutil
import sys
import time
import zipfile
import zlib

SETTINGS_FILE = "px_main64.ini"
DOS_ATTR_DIRECTORY = 0x10
DOS_ATTR_ARCHIVE = 0x20


# The one time of every entry when --date is given, else None.
RELEASE_TIME = None


def dos_time(path):
    if RELEASE_TIME is not None:
        t = RELEASE_TIME.timetuple()
    else:
        t = time.localtime(os.path.getmtime(path))
    stamp = (t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec - t.tm_sec % 2)
    if stamp < (1980, 1, 1, 0, 0, 0):
        return (1980, 1, 1, 0, 0, 0)
    if stamp > (2107, 12, 31, 23, 59, 58):
        return (2107, 12, 31, 23, 59, 58)
    return stamp


def new_info(name, path, attributes):
    info = zipfile.ZipInfo(name, date_time=dos_time(path))
    info.create_system = 0  # MS-DOS: external_attr holds plain DOS attributes
    info.external_attr = attributes
    return info


def add_file(archive, path, name):
    with open(path, "rb") as f:
        data = f.read()
    info = new_info(name, path, DOS_ATTR_ARCHIVE)
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    packed_size = len(packer.compress(data) + packer.flush())
    info.compress_type = zipfile.ZIP_DEFLATED if packed_size < len(data) else zipfile.ZIP_STORED
    archive.writestr(info, data, compresslevel=9)


def by_name(names):
    return sorted(names, key=lambda n: (n.lower(), n))


def add_folder(archive, folder, prefix):
    entries = os.listdir(folder)
    files = [n for n in entries if not os.path.isdir(os.path.join(folder, n))]
    subfolders = [n for n in entries if os.path.isdir(os.path.join(folder, n))]
    for name in by_name(files):
        if not prefix and name.lower() == SETTINGS_FILE:
            print(f"make_payload_zip: leaving out {name}: the setup writes the settings itself",
                  file=sys.stderr)
            continue
        add_file(archive, os.path.join(folder, name), prefix + name)
    for name in by_name(subfolders):
        path = os.path.join(folder, name)
        info = new_info(prefix + name + "/", path, DOS_ATTR_DIRECTORY)
        archive.writestr(info, b"")
        add_folder(archive, path, prefix + name + "/")


def stage(folder, trees, files):
    if os.path.isdir(folder):
        shutil.rmtree(folder)
    os.makedirs(folder)
    for tree in trees:
        shutil.copytree(tree, folder, dirs_exist_ok=True)
    for dest, src in files:
        target = os.path.join(folder, *dest.split("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy2(src, target)
    # Folders get the newest time of what they hold, so the archive does not
    # change with the moment the staging happened.
    for here, dirs, names in os.walk(folder, topdown=False):
        times = [os.path.getmtime(os.path.join(here, n)) for n in dirs + names]
        if times:
            newest = max(times)
            os.utime(here, (newest, newest))


def parse(argv):
    if len(argv) < 2:
        raise SystemExit(__doc__)
    out, folder, rest = argv[0], argv[1], argv[2:]
    trees, files, date = [], [], None
    i = 0
    while i < len(rest):
        option = rest[i]
        if option not in ("--tree", "--file", "--date") or i + 1 >= len(rest):
            raise SystemExit(__doc__)
        value = rest[i + 1]
        if option == "--tree":
            trees.append(value)
        elif option == "--date":
            try:
                date = datetime.datetime.strptime(value, "%Y-%m-%d %H:%M:%S")
            except ValueError:
                raise SystemExit(f"make_payload_zip: --date wants \"YYYY-MM-DD HH:MM:SS\", got {value!r}")
            if not (1980, 1, 1) <= (date.year, date.month, date.day) <= (2107, 12, 31):
                raise SystemExit(f"make_payload_zip: --date {value!r} lies outside the DOS range 1980-2107")
        else:
            dest, sep, src = value.partition("=")
            if not sep or not dest or not src:
                raise SystemExit(f"make_payload_zip: --file wants DEST=SRC, got {value!r}")
            files.append((dest, src))
        i += 2
    return out, folder, trees, files, date


def main():
    global RELEASE_TIME
    out, folder, trees, files, RELEASE_TIME = parse(sys.argv[1:])
    if trees or files:
        stage(folder, trees, files)
    if not os.path.isdir(folder):
        raise SystemExit(f"make_payload_zip: no folder {folder}")
    tmp = out + ".tmp"
    with zipfile.ZipFile(tmp, "w") as archive:
        add_folder(archive, folder, "")
    os.replace(tmp, out)


if __name__ == "__main__":
    main()
