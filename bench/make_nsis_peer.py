#!/usr/bin/env python3
"""Writes the NSIS script of the benchmark's peer installer: the same payload
and the same work as our `/silent /group=1 /desktop=1 /thumbs=1 /assoc=1`
run, done the way an NSIS script does it.

- files: every file of the staged payload folder (zlib, one stream per file,
  like the ZIP archive), with their dates;
- the settings file: the same four keys, read back once like ours;
- registry: every value our run left behind, taken from `reg export` of
  HKLM and HKCU before and after one real run of ours (each value written
  once, each WriteReg* opening and closing its key, as NSIS does), and the
  same key deletions (the UserChoice keys, the old DefaultIcon);
- 11 links: the Start-menu group of 9 and the 2 desktop links, with the
  same targets, arguments, icons and descriptions; the two old main links
  deleted;
- the same shell refresh (SPI_SETICONS, SHChangeNotify) through System.dll.

usage: make_nsis_peer.py STAGED_FOLDER OUR_TARGET HKLM_BEFORE HKLM_AFTER
                         HKCU_BEFORE HKCU_AFTER OUT_NSI OUT_EXE
OUR_TARGET is the folder our run installed into (as written into the
registry); the peer writes $INSTDIR in its place.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import registry_diff  # noqa: E402

ROOTS = {"HKEY_LOCAL_MACHINE": "HKLM", "HKEY_CURRENT_USER": "HKCU"}

# Our group and desktop links (shell/shortcuts.cpp, shell/registration.cpp).
GROUP_LINKS = [
    # link name, file in the install folder, arguments, icon file, icon index
    ("Pixorra 64 4.42.lnk", "px_main64.exe", "", "", 0),
    ("Pixorra - Thumbnails.lnk", "px_main64.exe", "/thumbs", "$INSTDIR\\px_main64.exe", 7),
    ("Pixorra deinstallieren.lnk", "pv_uninstall.exe", "", "", 0),
    ("\u00dcber Pixorra.lnk", "px_about.txt", "", "", 0),
    ("Was ist neu.lnk", "px_changes.txt", "", "", 0),
    ("Kommandozeilen-Optionen.lnk", "px_options.txt", "", "", 0),
    ("Verf\u00fcgbare PlugIns.lnk", "px_plugins.txt", "", "", 0),
    ("Verf\u00fcgbare Sprachen.lnk", "px_languages.txt", "", "", 0),
    ("Pixorra Hilfe.lnk", "help\\px_main32_deutsch.chm", "", "", 0),
]
DESKTOP_LINKS = [
    # link name, arguments, icon index (-1: none), description
    ("Pixorra 64.lnk", "", -1, "Pixorra 64 - Bildbetrachter"),
    ("Pixorra 64 Thumbnails.lnk", "/thumbs", 7, "Pixorra - Thumbnails"),
]
# Bytes of a binary value the peer writes (see registry_lines).
BINARY_LIMIT = 500

OLD_MAIN_LINKS = ["Pixorra 64 4.41.lnk", "Pixorra 64 4.40.lnk"]


def nsis_text(text):
    """A quoted NSIS string; "$" keeps its meaning (variables)."""
    return '"' + text.replace('"', '$\\"') + '"'


def literal(text):
    """A quoted NSIS string that stands for itself."""
    return nsis_text(text.replace("$", "$$"))


def reg_string(raw):
    """The text of a `reg export` string value ("..." with \\\\ and \\")."""
    body = raw[1:-1]
    out, i = [], 0
    while i < len(body):
        if body[i] == "\\" and i + 1 < len(body):
            out.append(body[i + 1])
            i += 2
        else:
            out.append(body[i])
            i += 1
    return "".join(out)


def registry_lines(before, after, target):
    _, values = registry_diff.changes(before, after)
    lines = []
    for key, name, raw in values:
        root_name, _, subkey = key.partition("\\")
        root = ROOTS[root_name]
        value_name = "" if name == "@" else name.replace('\\"', '"').replace("\\\\", "\\")
        if raw.startswith('"'):
            text = reg_string(raw)
            # The folder of the run that was exported becomes the peer's own.
            parts = text.split(target)
            text = "$INSTDIR".join(p.replace("$", "$$").replace('"', '$\\"') for p in parts)
            lines.append(f'  WriteRegStr {root} {literal(subkey)} {literal(value_name)} "{text}"')
        elif raw.startswith("dword:"):
            lines.append(f"  WriteRegDWORD {root} {literal(subkey)} {literal(value_name)} 0x{raw[6:]}")
        elif raw.startswith("hex:"):
            # The install record's copy in the uninstall entry: one binary
            # value, as ours writes it. An NSIS string holds at most 1023
            # characters, so the peer writes the first BINARY_LIMIT bytes
            # only (less work than ours, never more).
            data = raw[4:].replace(",", "")[: 2 * BINARY_LIMIT]
            lines.append(f"  WriteRegBin {root} {literal(subkey)} {literal(value_name)} {data}")
        else:
            raise SystemExit(f"unexpected value type in {key}: {raw[:20]}")
    return lines


def main():
    (stage, target, hklm_before, hklm_after, hkcu_before, hkcu_after, out_nsi, out_exe) = sys.argv[1:9]
    registry = registry_lines(hklm_before, hklm_after, target) + registry_lines(hkcu_before, hkcu_after, target)
    # The keys ours deletes before writing: the user choices of the chosen
    # extensions and the old icon key (each a no-op on a fresh prefix, as
    # for ours).
    deletions = sorted({line.split('"')[1].rsplit("\\", 1)[0] for line in registry if "\\UserChoice" in line})
    out = [
        "; Generated by bench/make_nsis_peer.py: the NSIS peer of the benchmark.",
        "Unicode true",
        "Target amd64-unicode",
        "SetCompressor zlib",
        "Name Pixorra",
        f"OutFile {literal(os.path.abspath(out_exe))}",
        'InstallDir "$PROGRAMFILES64\\Pixorra"',
        "RequestExecutionLevel admin",
        "SilentInstall silent",
        "Section",
        "  SetShellVarContext current",
        '  SetOutPath "$INSTDIR"',
        f'  File /r {literal(os.path.join(os.path.abspath(stage), "*"))}',
        '  WriteINIStr "$INSTDIR\\px_main64.ini" Language DLL DEUTSCH.DLL',
        '  WriteINIStr "$INSTDIR\\px_main64.ini" Language Lang Deutsch',
        '  ReadINIStr $0 "$INSTDIR\\px_main64.ini" Toolbar Skin',
        '  WriteINIStr "$INSTDIR\\px_main64.ini" Toolbar Skin Kestrand_24.png',
        '  WriteINIStr "$INSTDIR\\px_main64.ini" Toolbar Size 24',
        '  CreateDirectory "$SMPROGRAMS\\Pixorra"',
    ]
    for name, file, arguments, icon, index in GROUP_LINKS:
        link = nsis_text("$SMPROGRAMS\\Pixorra\\" + name)
        program = nsis_text("$INSTDIR\\" + file)
        out.append(f"  CreateShortcut {link} {program} {nsis_text(arguments)} {nsis_text(icon)} {index}")
        if name.startswith("Pixorra 64 4.42"):
            out += [f'  Delete "$SMPROGRAMS\\Pixorra\\{old}"' for old in OLD_MAIN_LINKS]
    for name, arguments, index, description in DESKTOP_LINKS:
        program = "$INSTDIR\\px_main64.exe"
        icon = program if index >= 0 else ""
        link = nsis_text("$DESKTOP\\" + name)
        out.append(f"  CreateShortcut {link} {nsis_text(program)} {nsis_text(arguments)} {nsis_text(icon)} "
                   f"{max(index, 0)} SW_SHOWNORMAL \"\" {nsis_text(description)}")
    out.append('  DeleteRegKey /ifempty HKLM "Software\\Classes\\Pixorra\\DefaultIcon"')
    out += ["  DeleteRegKey /ifempty HKCU " + literal(key + "\\UserChoice") for key in deletions]
    out += registry
    out += [
        "  System::Call 'user32::SystemParametersInfoA(i 88, i 0, p 0, i 3)'",
        "  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0x3000, p 0, p 0)'",
        "SectionEnd",
        "",
    ]
    with open(out_nsi, "w", encoding="utf-8-sig") as f:
        f.write("\n".join(out))
    print(f"{len(registry)} registry values, {len(deletions) + 1} key deletions, "
          f"{len(GROUP_LINKS) + len(DESKTOP_LINKS)} links", file=sys.stderr)


if __name__ == "__main__":
    main()
