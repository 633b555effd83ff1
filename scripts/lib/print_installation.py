#!/usr/bin/env python3
"""Prints what a silent installation left in a Wine prefix: the program
folder, the settings files, the links and the registry entries."""
import os
import re
import sys


def decode_reg(text):
    # Wine's .reg files escape non-ASCII as \xNN (code units of UTF-16).
    return re.sub(r"\\x([0-9a-fA-F]{1,4})", lambda m: chr(int(m.group(1), 16)), text)


def read_text(path):
    with open(path, "rb") as f:
        return f.read().decode("cp1252", "replace").replace("\r\n", "\n")


def show_tree(title, folder):
    print(f"== {title}: {folder}")
    if not os.path.isdir(folder):
        print("   (missing)")
        return
    for base, dirs, files in os.walk(folder):
        dirs.sort(key=str.lower)
        rel = os.path.relpath(base, folder)
        for name in sorted(files, key=str.lower):
            path = os.path.join(base, name)
            shown = name if rel == "." else os.path.join(rel, name)
            print(f"   {os.path.getsize(path):>9}  {shown}")


def registry_sections(reg_file, wanted):
    sections, current = [], None
    with open(reg_file, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.rstrip("\n")
            m = re.match(r"^\[(.*)\]( \d+)?$", line)
            if m:
                current = [decode_reg(m.group(1)).replace("\\\\", "\\"), []]
                sections.append(current)
            elif current and line and not line.startswith("#"):
                if line.startswith("  ") and current[1]:
                    current[1][-1] += line.strip()  # a hex value goes on over several lines
                else:
                    current[1].append(decode_reg(line))
    for _, values in sections:
        # A long binary value (the install record's copy) by its size only.
        for i, value in enumerate(values):
            m = re.match(r'^("[^"]*")=hex:(.*)$', value)
            if m and len(m.group(2)) > 120:
                count = len([b for b in m.group(2).replace("\\", "").split(",") if b])
                values[i] = f"{m.group(1)}=<{count} bytes>"
    for key, values in sections:
        text = key + "\n".join(values)
        if any(w in text for w in wanted):
            yield key, values


def main():
    prefix = sys.argv[1]
    drive_c = os.path.join(prefix, "drive_c")
    users = os.path.join(drive_c, "users")
    user = next((u for u in sorted(os.listdir(users)) if u not in ("Public",)), "")
    programs = os.path.join(drive_c, "Program Files")
    for name in sorted(os.listdir(programs)):
        if name.lower().startswith("pixorra"):
            folder = os.path.join(programs, name)
            show_tree("program folder", folder)
            ini = os.path.join(folder, "px_main64.ini")
            if os.path.isfile(ini):
                print("== px_main64.ini\n" + read_text(ini))
    appdata_ini = os.path.join(users, user, "AppData", "Roaming", "Pixorra", "px_main64.ini")
    if os.path.isfile(appdata_ini):
        print("== %APPDATA%\\Pixorra\\px_main64.ini\n" + read_text(appdata_ini))
    for title, folder in [
        ("start menu group (current user)", os.path.join(users, user, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs", "Pixorra")),
        ("start menu group (all users)", os.path.join(drive_c, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs", "Pixorra")),
        ("desktop (current user)", os.path.join(users, user, "Desktop")),
        ("desktop (all users)", os.path.join(users, "Public", "Desktop")),
    ]:
        if os.path.isdir(folder) and os.listdir(folder):
            show_tree(title, folder)
    wanted = ("Pixorra", "px_main64")
    for reg, root in (("system.reg", "HKEY_LOCAL_MACHINE"), ("user.reg", "HKEY_CURRENT_USER")):
        found = list(registry_sections(os.path.join(prefix, reg), wanted))
        print(f"== registry {root}: {len(found)} keys")
        for key, values in found:
            shown = "; ".join(v for v in values if not v.startswith("#")) or "(no values)"
            print(f"   [{key}] {shown}")


if __name__ == "__main__":
    main()
