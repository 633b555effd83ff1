#!/usr/bin/env python3
"""Makes the deployment packages of one setup from the templates beside this
script: a winget manifest set, a Chocolatey package and an Intune Win32 app
definition, each naming the setup's real SHA-256.

    make_packages.py SETUP OUT [--url URL]

SETUP  the setup the packages deploy (scripts/release.sh: dist/PixorraSetup64.exe)
OUT    folder for the packages (made anew: winget/, chocolatey/, intune/)
--url  where the publisher puts SETUP for download (winget's InstallerUrl,
       the Chocolatey verification note); default: DEFAULT_URL below, a
       placeholder to replace (docs/packaging.md).

The version and the release date come from the first line of
src/resources/release_notes.txt ("Pixorra 4.42 (64 bit) - Neuerungen vom
14.10.2026"), as for the release itself; its other lines are the Chocolatey
package's release notes.
"""
import argparse
import hashlib
import pathlib
import re
import shutil
import sys
from xml.sax.saxutils import escape

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent
DEFAULT_URL = "https://www.pixorra.example/download/@VERSION@/PixorraSetup64.exe"

# template (relative to HERE) -> output (relative to OUT)
TEMPLATES = {
    "winget/TamsinOrlo.Pixorra.yaml.in": "winget/TamsinOrlo.Pixorra.yaml",
    "winget/TamsinOrlo.Pixorra.installer.yaml.in": "winget/TamsinOrlo.Pixorra.installer.yaml",
    "winget/TamsinOrlo.Pixorra.locale.de-DE.yaml.in": "winget/TamsinOrlo.Pixorra.locale.de-DE.yaml",
    "chocolatey/pixorra.package.xml.in": "chocolatey/pixorra.nuspec",
    "chocolatey/tools/chocolateyinstall.ps1.in": "chocolatey/tools/chocolateyinstall.ps1",
    "chocolatey/tools/chocolateyuninstall.ps1": "chocolatey/tools/chocolateyuninstall.ps1",
    "chocolatey/tools/VERIFICATION.txt.in": "chocolatey/tools/VERIFICATION.txt",
    "chocolatey/tools/LICENSE.txt.in": "chocolatey/tools/LICENSE.txt",
    "chocolatey/tools/PixorraSetup64.exe.ignore": "chocolatey/tools/PixorraSetup64.exe.ignore",
    "intune/Pixorra.win32app.json.in": "intune/Pixorra.win32app.json",
}
# Where the setup itself goes: inside the Chocolatey package, and the source
# folder that Intune's packaging tool wraps into PixorraSetup64.intunewin.
SETUP_COPIES = ["chocolatey/tools/PixorraSetup64.exe", "intune/source/PixorraSetup64.exe"]


def release_facts():
    """The version, the release date (YYYY-MM-DD) and the notes' lines
    after the first, as one text."""
    lines = (ROOT / "src/resources/release_notes.txt").read_bytes().decode("cp1252").splitlines()
    first = lines[0].strip() if lines else ""
    match = re.match(r"^Pixorra ([0-9]+\.[0-9]+) .* ([0-9]{2})\.([0-9]{2})\.([0-9]{4})$", first)
    if not match:
        sys.exit(f"make_packages: no version and date in the release notes' first line: {first}")
    version, day, month, year = match.groups()
    notes = "\n".join(line.rstrip() for line in lines[1:] if line.strip())
    if not notes:
        sys.exit("make_packages: the release notes have no lines after the first")
    return version, f"{year}-{month}-{day}", notes


def sha256_of(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            digest.update(block)
    return digest.hexdigest().upper()


def fill(text, values, name):
    for key, value in values.items():
        text = text.replace(f"@{key}@", value)
    left = re.findall(r"@[A-Z0-9_]+@", text)
    if left:
        sys.exit(f"make_packages: {name} still names {', '.join(sorted(set(left)))}")
    return text


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("setup", type=pathlib.Path)
    parser.add_argument("out", type=pathlib.Path)
    parser.add_argument("--url", default=None)
    args = parser.parse_args()

    version, release_date, notes = release_facts()
    url = (args.url or DEFAULT_URL).replace("@VERSION@", version)
    if not re.match(r"^https?://\S+$", url, re.IGNORECASE):
        sys.exit(f"make_packages: --url must be an http(s) address without blanks: {url}")
    values = {"VERSION": version, "RELEASE_DATE": release_date, "URL": url, "SHA256": sha256_of(args.setup),
              "RELEASE_NOTES": escape(notes)}

    if args.out.exists():
        shutil.rmtree(args.out)
    for template, target in TEMPLATES.items():
        text = (HERE / template).read_text(encoding="utf-8")
        out = args.out / target
        out.parent.mkdir(parents=True, exist_ok=True)
        out.write_text(fill(text, values, template), encoding="utf-8", newline="\n")
    for target in SETUP_COPIES:
        out = args.out / target
        out.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(args.setup, out)
    print(f"make_packages: {args.out} for Pixorra {version}, SHA-256 {values['SHA256']}, from {url}")


if __name__ == "__main__":
    main()
