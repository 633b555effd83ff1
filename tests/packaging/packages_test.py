#!/usr/bin/env python3
"""The deployment packages of this build's setup, made as scripts/release.sh
makes them (packaging/make_packages.py), checked the way the tools read them:

- the winget manifests validate against winget's published JSON schemas
  1.10.0 (tests/packaging/schemas), and a manifest with a wrong enum value
  does not (so the check really bites);
- every package names the setup's real SHA-256;
- the Chocolatey package meets the package validator's published rules
  that a package of its kind can meet (choco does not run here), each rule
  also shown to refuse a package that breaks it; its install script's
  /log= and its message for 1618 are read from the script's text
  (PowerShell does not run here either);
- winget's per-user installer has no elevation requirement of its own or
  inherited, and the de-DE description names both scopes;
- every switch and command line the packages name is run for real under
  Wine, through package_probe.exe (it sees the full exit code), and each exit
  code is looked up in the package's own table: winget's Silent,
  SilentWithProgress, InstallLocation and Log switches and the uninstall
  entry's QuietUninstallString; Chocolatey's silentArgs, validExitCodes and
  its uninstall script's reading of the entry; Intune's install and uninstall
  commands, return codes and detection rule. 1618 comes from a run while the
  installed viewer is running. The Chocolatey and Intune runs leave the
  setup's log where each tool's administrators look, with the result line or
  the viewer's warning.

Codes that need the command-line work of the setup (1602 from a cancelled
wizard, 1622, 1639, the /progress switch) are run once the setup's usage text
(src/resources/strings.rc) or the README names them; until then each such
row is reported as skipped, with its name.

    packages_test.py --source DIR --build DIR --setup EXE --probe EXE --wine RUNNER
"""
import argparse
import copy
import hashlib
import json
import os
import pathlib
import re
import shutil
import subprocess
import sys
import time
import xml.etree.ElementTree as ElementTree

import jsonschema
import yaml

ENTRY_KEY = r"SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pixorra64"
DEFAULT_FOLDER = "C:\\Program Files\\Pixorra\\"
WORK = "C:\\pxpkg\\"
TEST_URL = "https://downloads.pixorra.example/test/PixorraSetup64.exe"
# Where Intune's management extension keeps its logs (and its diagnostics
# collect them); the install command's /log= points there.
INTUNE_LOG = "C:\\ProgramData\\Microsoft\\IntuneManagementExtension\\Logs\\PixorraSetup64.log"

failures = []
skipped = []


def check(condition, what):
    print(("ok: " if condition else "FAIL: ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


class Wine:
    """Windows side of the test: the probe run through the build's Wine runner."""

    def __init__(self, runner, probe, build):
        self.runner = runner
        self.probe = probe
        # As scripts/lib/wine-env.sh chooses it: the shard's prefix.
        root = pathlib.Path(os.environ.get("PX_WINE_ROOT", build / "wine"))
        shard = os.environ.get("PX_WINE_SHARD")
        if not shard:
            given = re.match(r"id:([0-9]+),", os.environ.get("CTEST_RESOURCE_GROUP_0_WINEPREFIX", ""))
            shard = given.group(1) if given else "1"
        name = "prefix" if shard == "1" else "prefix-" + shard
        self.prefix = pathlib.Path(os.environ.get("PX_WINEPREFIX") or root / name)
        self.output = build / "packaging-test" / "probe.txt"

    def host(self, windows_path):
        """A C:\\ path of the prefix as a host path."""
        assert windows_path[:3].upper() == "C:\\", windows_path
        return self.prefix / "drive_c" / windows_path[3:].replace("\\", "/")

    def probe_call(self, *args, env=None):
        # stdout into a file, never a pipe: a Wine process that outlives the
        # probe would hold a pipe open.
        with open(self.output, "wb") as out:
            subprocess.run([self.runner, str(self.probe), *args], stdin=subprocess.DEVNULL, stdout=out,
                           stderr=subprocess.DEVNULL, env={**os.environ, **(env or {})}, timeout=400)
        facts = {}
        for line in self.output.read_text(encoding="cp1252").splitlines():
            name, _, value = line.partition("=")
            facts[name] = value
        return facts

    def run(self, command, folder="", viewer="", cancel_wizard=False):
        """The full exit code of command (an int), or the probe's reason."""
        env = {"PX_RUN_COMMAND": command, "PX_RUN_FOLDER": folder, "PX_RUN_VIEWER": viewer,
               "PX_RUN_CANCEL_WIZARD": "1" if cancel_wizard else "0"}
        facts = self.probe_call("run", env=env)
        if viewer and facts.get("viewer") != "running":
            return "viewer did not start"
        code = facts.get("exit", "no result")
        return int(code) if code.isdigit() else code

    def value(self, key, name):
        facts = self.probe_call("reg", key, name)
        return facts.get("value")

    def wait_gone(self, path, seconds=20):
        deadline = time.monotonic() + seconds
        while self.host(path).exists():
            if time.monotonic() > deadline:
                return False
            time.sleep(0.2)
        return True


def sha256(path):
    return hashlib.sha256(pathlib.Path(path).read_bytes()).hexdigest().upper()


def windows_path(host_path):
    return "Z:" + str(pathlib.Path(host_path).resolve()).replace("/", "\\")


def quoted(path):
    return '"' + path + '"'


def usage_names(source, text):
    """The setup's usage text (its string table, what /? shows) or the
    README's option table and exit codes mention text."""
    for name in ("src/resources/strings.rc", "README.md"):
        if text in (source / name).read_text(encoding="utf-8", errors="replace"):
            return True
    return False


def gate(source, text, row):
    if usage_names(source, text):
        return True
    note = f"{row}: skipped, neither the setup's usage text nor the README names {text} yet"
    print("SKIP: " + note, flush=True)
    skipped.append(note)
    return False


# --- The files: schemas, checksums, what each package says.

def check_winget_files(winget, schemas, setup_sha):
    kinds = {"version": "TamsinOrlo.Pixorra.yaml", "defaultLocale": "TamsinOrlo.Pixorra.locale.de-DE.yaml",
             "installer": "TamsinOrlo.Pixorra.installer.yaml"}
    manifests = {}
    for kind, name in kinds.items():
        schema = json.loads((schemas / f"manifest.{kind}.1.10.0.json").read_text(encoding="utf-8"))
        document = yaml.safe_load((winget / name).read_text(encoding="utf-8"))
        validator = jsonschema.Draft7Validator(schema, format_checker=jsonschema.FormatChecker())
        errors = [f"{'/'.join(map(str, e.path))}: {e.message}" for e in validator.iter_errors(document)]
        check(not errors, f"winget {name} validates against the {kind} schema 1.10.0 {errors}")
        manifests[kind] = (document, validator)
    installer, validator = manifests["installer"]
    broken = copy.deepcopy(installer)
    broken["ExpectedReturnCodes"][0]["ReturnResponse"] = "viewerRunning"
    del broken["Installers"][0]["InstallerSha256"]
    check(len(list(validator.iter_errors(broken))) == 2,
          "the schema refuses an unknown ReturnResponse and a missing InstallerSha256")
    for kind in ("version", "defaultLocale"):
        document = manifests[kind][0]
        check((document["PackageIdentifier"], document["PackageVersion"]) ==
              (installer["PackageIdentifier"], installer["PackageVersion"]),
              f"the {kind} manifest names the installer manifest's package and version")
    check(manifests["version"][0]["DefaultLocale"] == manifests["defaultLocale"][0]["PackageLocale"] == "de-DE",
          "default locale de-DE")
    entry = installer["Installers"][0]
    check(entry["InstallerSha256"] == setup_sha, "winget InstallerSha256 is the setup's SHA-256")
    check(entry["InstallerUrl"] == TEST_URL and entry["Architecture"] == "x64", "winget InstallerUrl from --url, x64")
    check((installer["InstallerType"], installer["Scope"], installer["UpgradeBehavior"],
           inherited(installer, entry, "ElevationRequirement")) == ("exe", "machine", "install", "elevationRequired"),
          "winget exe installer, machine scope, upgrade by installing, started elevated")
    user = installer["Installers"][1] if len(installer["Installers"]) > 1 else {}
    # No requirement either way: "winget install --scope user" from an
    # elevated shell runs it as well (elevationProhibited refuses that).
    check((inherited(installer, user, "Scope"), user.get("InstallerSwitches", {}).get("Custom"),
           inherited(installer, user, "ElevationRequirement"), user.get("InstallerSha256"), user.get("InstallerUrl")) ==
          ("user", "/scope=user", None, setup_sha, TEST_URL),
          "winget's second installer: the same setup for the current user, with /scope=user, "
          "no elevation requirement")
    check_descriptions(manifests["defaultLocale"][0], installer)
    return installer


def inherited(installer, entry, field):
    """A field of one entry of Installers as winget reads it: the entry's
    own value, else the manifest's root value."""
    return entry.get(field, installer.get(field))


# What the de-DE Description must say for each scope an installer offers.
SCOPE_DESCRIPTIONS = {
    "machine": "für alle Benutzer des Computers",
    "user": "nur für den aktuellen Benutzer",
}


def check_descriptions(locale, installer):
    description = " ".join(locale["Description"].split())
    for entry in installer["Installers"]:
        scope = inherited(installer, entry, "Scope")
        check(SCOPE_DESCRIPTIONS[scope] in description,
              f"winget de-DE Description names the {scope} installation ({SCOPE_DESCRIPTIONS[scope]})")


NUSPEC_NS = {"n": "http://schemas.microsoft.com/packaging/2015/06/nuspec.xsd"}
BINARIES = (".exe", ".msi", ".msu", ".dll", ".zip", ".7z", ".rar", ".cab")


def nuspec_metadata(chocolatey):
    nuspec = ElementTree.parse(chocolatey / "pixorra.nuspec").getroot()
    return {element.tag.split("}")[-1]: (element.text or "").strip()
            for element in nuspec.find("n:metadata", NUSPEC_NS)}


def package_files(chocolatey):
    return [path.relative_to(chocolatey).as_posix() for path in chocolatey.rglob("*") if path.is_file()]


def has_file(files, *names):
    return any(f.lower() in (n.lower() for n in names) for f in files)


# Chocolatey's package-validator as published (docs.chocolatey.org,
# community-repository/moderation/package-validator/rules), the rules a
# package of this kind can meet, checked over the package folder that
# "choco pack" packs: (rule, requirement or guideline, what it asks, check).
CHOCOLATEY_RULES = [
    ("CPMR0001", "requirement", "a copyright of four characters or more",
     lambda meta, files, scripts: len(meta.get("copyright", "")) >= 4),
    ("CPMR0002", "requirement", "a description", lambda meta, files, scripts: bool(meta.get("description"))),
    ("description", "requirement", "a description of at least 30 characters (since 2022-09)",
     lambda meta, files, scripts: len(meta.get("description", "")) >= 30),
    ("CPMR0026", "requirement", "a description of at most 4000 characters",
     lambda meta, files, scripts: len(meta.get("description", "")) <= 4000),
    ("CPMR0003", "requirement", "the install script is tools/chocolateyinstall.ps1",
     lambda meta, files, scripts: has_file(files, "tools/chocolateyinstall.ps1")),
    ("CPMR0015", "requirement", "the uninstall script is tools/chocolateyuninstall.ps1",
     lambda meta, files, scripts: has_file(files, "tools/chocolateyuninstall.ps1")
     or not any("uninstall" in f.lower() and f.lower().endswith(".ps1") for f in files)),
    ("CPMR0004", "requirement", "no internal files (.nupkg, _rels/, package/, [Content_Types].xml)",
     lambda meta, files, scripts: not any(f.lower().endswith(".nupkg") or f.startswith(("_rels/", "package/"))
                                 or f == "[Content_Types].xml" for f in files)),
    ("CPMR0005", "requirement", "LICENSE.txt beside included binaries",
     lambda meta, files, scripts: not any(f.lower().endswith(BINARIES) for f in files)
     or has_file(files, "tools/LICENSE.txt", "legal/LICENSE.txt")),
    ("CPMR0006", "requirement", "VERIFICATION.txt beside included binaries",
     lambda meta, files, scripts: not any(f.lower().endswith(BINARIES) for f in files)
     or has_file(files, "tools/VERIFICATION.txt", "legal/VERIFICATION.txt")),
    ("CPMR0007", "requirement", "a licenseUrl, and no licence acceptance without one",
     lambda meta, files, scripts: bool(meta.get("licenseUrl")) or meta.get("requireLicenseAcceptance") != "true"),
    ("CPMR0009", "requirement", "a projectUrl", lambda meta, files, scripts: bool(meta.get("projectUrl"))),
    ("CPMR0014", "requirement", "tags without commas", lambda meta, files, scripts: "," not in meta.get("tags", "")),
    ("CPMR0023", "requirement", "tags", lambda meta, files, scripts: bool(meta.get("tags"))),
    ("CPMR0019", "requirement", "no template values left in the nuspec",
     lambda meta, files, scripts: not any(re.search(r"__REPLACE|\{\{|@[A-Z_]+@", v) for v in meta.values())),
    ("CPMR0020", "requirement", "no e-mail address in the nuspec",
     lambda meta, files, scripts: not any(re.search(r"[\w.+-]+@[\w-]+\.[\w.]+", v) for v in meta.values())),
    ("CPMR0010", "requirement", "no choco commands in the scripts",
     lambda meta, files, scripts: not re.search(r"(?im)^\s*(&\s*)?choco(\.exe)?\s", scripts)),
    ("CPMR0016", "requirement", "no use of the installation arguments in the scripts",
     lambda meta, files, scripts: "chocolateyinstallarguments" not in scripts.lower()),
    ("CPMR0033", "guideline", "an iconUrl", lambda meta, files, scripts: bool(meta.get("iconUrl"))),
    ("CPMR0040", "guideline", "a packageSourceUrl", lambda meta, files, scripts: bool(meta.get("packageSourceUrl"))),
    ("CPMR0042", "guideline", "releaseNotes", lambda meta, files, scripts: bool(meta.get("releaseNotes"))),
]


def chocolatey_findings(meta, files, scripts):
    return [rule for rule, _, _, test in CHOCOLATEY_RULES if not test(meta, files, scripts)]


def check_chocolatey_rules(chocolatey, source):
    meta = nuspec_metadata(chocolatey)
    files = package_files(chocolatey)
    scripts = "\n".join(path.read_text(encoding="utf-8") for path in sorted(chocolatey.rglob("*.ps1")))
    for rule, kind, what, test in CHOCOLATEY_RULES:
        check(test(meta, files, scripts), f"chocolatey package-validator {rule} ({kind}): {what}")
    notes = (source / "src/resources/release_notes.txt").read_bytes().decode("cp1252").splitlines()[1:]
    check(meta.get("releaseNotes", "").splitlines() == [line.rstrip() for line in notes if line.strip()],
          "chocolatey releaseNotes are the release notes' lines after the first")
    check(all(re.match(r"^https://\S+$", meta.get(tag, "")) for tag in ("iconUrl", "packageSourceUrl")),
          "chocolatey iconUrl and packageSourceUrl are https addresses")
    # The rules bite: each of these packages is refused by the rule named.
    without = {
        "tools/LICENSE.txt": "CPMR0005",
        "tools/VERIFICATION.txt": "CPMR0006",
    }
    for name, rule in without.items():
        check(chocolatey_findings(meta, [f for f in files if f != name], scripts) == [rule],
              f"a package without {name} is refused by {rule}")
    for tag, rule in (("iconUrl", "CPMR0033"), ("packageSourceUrl", "CPMR0040"), ("releaseNotes", "CPMR0042")):
        check(chocolatey_findings({k: v for k, v in meta.items() if k != tag}, files, scripts) == [rule],
              f"a nuspec without {tag} is flagged by {rule}")
    check(chocolatey_findings(meta, files, scripts + "\nchoco install other -y\n") == ["CPMR0010"],
          "a script that runs choco is refused by CPMR0010")


# The environment Chocolatey gives a package's scripts, as far as ours read it.
CHOCOLATEY_ENV = {"ChocolateyInstall": "C:\\ProgramData\\chocolatey", "ChocolateyPackageName": "pixorra",
                  "ChocolateyPackageVersion": "4.42"}


def powershell_string(text, variables):
    """A double-quoted PowerShell string as PowerShell expands it, for
    what our scripts use: `" for a quote, $env:NAME and $name."""
    def variable(match):
        name = match.group(1)
        if name.lower().startswith("env:"):
            return CHOCOLATEY_ENV[name[4:]]
        return variables[name]
    text = re.sub(r"\$((?:env:)?[A-Za-z_][A-Za-z0-9_]*)", variable, text)
    return text.replace('`"', '"')


def check_chocolatey_files(chocolatey, setup_sha):
    meta = nuspec_metadata(chocolatey)
    facts = {tag: meta.get(tag) for tag in ("id", "version", "authors")}
    check(facts == {"id": "pixorra", "version": "4.42", "authors": "Tamsin Orlo"}, f"nuspec metadata {facts}")
    install = (chocolatey / "tools/chocolateyinstall.ps1").read_text(encoding="utf-8")
    uninstall = (chocolatey / "tools/chocolateyuninstall.ps1").read_text(encoding="utf-8")
    log_file = powershell_string(re.search(r'^\$logFile = "((?:[^"`]|`.)*)"', install, re.M).group(1), {})
    script = {
        "file": re.search(r"Join-Path \$toolsDir '([^']+)'", install).group(1),
        "checksum": re.search(r"-Checksum '([0-9A-Fa-f]{64})' -ChecksumType 'sha256'", install).group(1),
        "silentArgs": powershell_string(re.search(r'silentArgs\s*=\s*"((?:[^"`]|`.)*)"', install).group(1),
                                        {"logFile": log_file}),
        "logFile": log_file,
        "validExitCodes": [int(c) for c in re.search(r"validExitCodes\s*=\s*@\(([^)]*)\)", install).group(1).split(",")],
        "installs": "Install-ChocolateyInstallPackage @packageArgs" in install,
        "entryKey": re.search(r"\$entryKey = 'HKLM:\\([^']+)'", uninstall).group(1),
        "split": re.search(r"-notmatch '([^']+)'", uninstall).group(1),
        "uninstallCodes": [int(c) for c in re.search(r"validExitCodes\s*=\s*@\(([^)]*)\)", uninstall).group(1).split(",")],
    }
    embedded = chocolatey / "tools" / script["file"]
    check(embedded.is_file() and sha256(embedded) == setup_sha, "the package carries the setup itself")
    check(script["checksum"].upper() == setup_sha, "chocolateyinstall.ps1 checks the setup's SHA-256")
    check(setup_sha in (chocolatey / "tools/VERIFICATION.txt").read_text(encoding="utf-8"),
          "VERIFICATION.txt names the SHA-256")
    check(script["installs"] and 1618 not in script["validExitCodes"] and script["validExitCodes"] == [0],
          f"chocolatey: only 0 is success, 1618 is not ({script['validExitCodes']})")
    check(script["entryKey"] == ENTRY_KEY, "chocolateyuninstall.ps1 reads the setup's uninstall entry")
    check(log_file == CHOCOLATEY_ENV["ChocolateyInstall"] + "\\logs\\pixorra.4.42.install.log"
          and script["silentArgs"] == f'/silent /log="{log_file}"',
          f"chocolatey passes /log= into its own logs folder ({script['silentArgs']})")
    # Chocolatey's own text for 1618 speaks of another installation; the
    # script's catch names the viewer and the log instead, and rethrows
    # everything else unchanged. (PowerShell does not run here: this is
    # the script's text as Chocolatey would run it.)
    handler = re.search(r"\} catch \{\s*(.*?)\n\}", install, re.S)
    branch = re.search(r"if \((.*?)\) \{\s*throw \"([^\"]*)\"\s*\}\s*throw\s*$", handler.group(1) if handler else "",
                       re.S)
    check(branch is not None and "Install-ChocolateyInstallPackage @packageArgs" in install.split("} catch {")[0]
          .split("try {")[-1], "chocolateyinstall.ps1 runs the setup inside try, its catch ends in a rethrow")
    if branch:
        condition, message = branch.groups()
        check("$env:ChocolateyExitCode -eq '1618'" in condition and "Exit code was '1618'" in condition,
              f"the 1618 message is for exit code 1618 alone ({condition})")
        check("px_main64.exe" in message and "running" in message and "$logFile" in message
              and "1618" in message, f"the 1618 message names the running viewer and the log: {message}")
    script["embedded"] = embedded
    return script


def check_intune_files(intune, setup_sha):
    app = json.loads((intune / "Pixorra.win32app.json").read_text(encoding="utf-8"))
    check(app["@odata.type"] == "#microsoft.graph.win32LobApp" and app["setupFilePath"] == "PixorraSetup64.exe",
          "Intune Win32 app wrapping PixorraSetup64.exe")
    check(sha256(intune / "source" / app["setupFilePath"]) == setup_sha and setup_sha in app["notes"],
          "Intune source folder holds the setup, its SHA-256 noted")
    check(app["installCommandLine"] == f'PixorraSetup64.exe /silent /log="{INTUNE_LOG}"',
          "Intune install command, the log in the management extension's logs folder")
    check(app["uninstallCommandLine"] == quoted(DEFAULT_FOLDER + "pv_uninstall.exe") + " /silent",
          "Intune uninstall command")
    check(app["installExperience"]["runAsAccount"] == "system", "Intune runs it as the system")
    codes = {entry["returnCode"]: entry["type"] for entry in app["returnCodes"]}
    check(codes.get(0) == "success" and codes.get(1618) == "retry" and codes.get(1603) == "failed",
          f"Intune return codes {codes}")
    rule = app["rules"][0]
    check(rule["ruleType"] == "detection" and rule["keyPath"] == "HKEY_LOCAL_MACHINE\\" + ENTRY_KEY
          and rule["valueName"] == "DisplayVersion" and rule["operator"] == "equal"
          and rule["comparisonValue"] == "4.42" and rule["check32BitOn64System"] is False,
          "Intune detects the uninstall entry's DisplayVersion 4.42 (64-bit view)")
    return app, codes


# --- The runs.

def remove_installation(wine):
    """Leaves no installation behind: the entry's own quiet command."""
    quiet = wine.value(ENTRY_KEY, "QuietUninstallString")
    if quiet:
        wine.run(quiet, WORK)
        wine.wait_gone(DEFAULT_FOLDER)


def quiet_uninstall(wine, row, folder):
    quiet = wine.value(ENTRY_KEY, "QuietUninstallString")
    check(quiet == quoted(folder + "pv_uninstall.exe") + " /silent", f"{row}: QuietUninstallString {quiet}")
    code = wine.run(quiet or "", WORK)
    check(code == 0, f"{row}: QuietUninstallString exits with {code}")
    check(wine.value(ENTRY_KEY, "DisplayName") is None and wine.wait_gone(folder),
          f"{row}: entry and {folder} are gone")


def run_winget(wine, source, installer, setup):
    switches = installer["InstallerSwitches"]
    returns = {entry["InstallerReturnCode"]: entry["ReturnResponse"] for entry in installer["ExpectedReturnCodes"]}
    exe = quoted(windows_path(setup))
    viewer = DEFAULT_FOLDER + "px_main64.exe"

    code = wine.run(f"{exe} {switches['Silent']}", WORK)
    check(code == 0, f"winget Silent: exit code {code}")
    arp = installer["AppsAndFeaturesEntries"][0]
    found = {name: wine.value(ENTRY_KEY.rsplit("\\", 1)[0] + "\\" + arp["ProductCode"], name)
             for name in ("DisplayName", "Publisher", "DisplayVersion")}
    check(found == {name: arp[name] for name in found}, f"winget AppsAndFeaturesEntries match the entry {found}")
    check(wine.value(ENTRY_KEY, "InstallLocation") == DEFAULT_FOLDER, "winget Silent: the default folder")

    code = wine.run(f"{exe} {switches['Silent']}", WORK, viewer=viewer)
    check(code == 1618 and returns.get(1618) == "packageInUse",
          f"winget Silent with the viewer running: {code}, {returns.get(code)}")

    if gate(source, "/progress", "winget SilentWithProgress"):
        code = wine.run(f"{exe} {switches['SilentWithProgress']}", WORK)
        check(code == 0, f"winget SilentWithProgress: exit code {code}")
    if gate(source, "1639", "winget 1639 invalidParameter"):
        code = wine.run(f"{exe} {switches['Silent']} /foldr={WORK}Tippfehler", WORK)
        check(code == 1639 and returns.get(1639) == "invalidParameter", f"winget unknown option: {code}")
    if gate(source, "1622", "winget 1622 invalidParameter"):
        wine.host(WORK + "ein-file").write_bytes(b"")
        log = switches["Log"].replace("<LOGPATH>", WORK + "ein-file\\x.log")
        code = wine.run(f"{exe} {switches['Silent']} {log}", WORK)
        check(code == 1622 and returns.get(1622) == "invalidParameter", f"winget unwritable log: {code}")
    if gate(source, "1602", "winget 1602 cancelledByUser"):
        code = wine.run(exe, WORK, cancel_wizard=True)
        check(code == 1602 and returns.get(1602) == "cancelledByUser", f"winget cancelled wizard: {code}")

    quiet_uninstall(wine, "winget uninstall", DEFAULT_FOLDER)

    # winget install --location X --log Y
    target = WORK + "Mein Ziel\\"
    log = WORK + "logs\\winget-install.log"
    wine.host(WORK + "logs").mkdir(parents=True, exist_ok=True)
    location = switches["InstallLocation"].replace("<INSTALLPATH>", target.rstrip("\\"))
    log_switch = switches["Log"].replace("<LOGPATH>", log)
    code = wine.run(f"{exe} {switches['Silent']} {location} {log_switch}", WORK)
    check(code == 0, f"winget InstallLocation and Log: exit code {code}")
    check(wine.host(target + "px_main64.exe").is_file() and wine.value(ENTRY_KEY, "InstallLocation") == target,
          f"winget InstallLocation: installed into {target}")
    check(wine.host(log).is_file() and wine.host(log).stat().st_size > 0, f"winget Log: {log} written")
    quiet_uninstall(wine, "winget uninstall from InstallLocation", target)


def run_winget_user(wine, installer, setup):
    """winget install --scope user: the second installer's switch beside Silent."""
    user = installer["Installers"][1]
    exe = quoted(windows_path(setup))
    code = wine.run(f"{exe} {installer['InstallerSwitches']['Silent']} {user['InstallerSwitches']['Custom']}", WORK)
    check(code == 0, f"winget user scope: exit code {code}")
    user_entry = "HKCU\\" + ENTRY_KEY
    folder = wine.value(user_entry, "InstallLocation") or ""
    check(folder.endswith("\\AppData\\Local\\Programs\\Pixorra\\"), f"winget user scope: installed into {folder}")
    check(wine.value(ENTRY_KEY, "DisplayName") is None, "winget user scope: no entry for the machine")
    quiet = wine.value(user_entry, "QuietUninstallString") or ""
    check(quiet == quoted(folder + "pv_uninstall.exe") + " /silent", f"winget user scope: QuietUninstallString {quiet}")
    code = wine.run(quiet, WORK)
    check(code == 0 and wine.value(user_entry, "DisplayName") is None and wine.wait_gone(folder),
          f"winget user scope: removed ({code})")


def log_lines(wine, path):
    host = wine.host(path)
    return host.read_text(encoding="cp1252").splitlines() if host.is_file() else []


def check_deployment_log(wine, row, path, before, viewer):
    """The run's log is where the tool's administrators look, with a new
    entry: the result line, or with the viewer running its cause."""
    lines = log_lines(wine, path)
    new = lines[len(before):] if lines[:len(before)] == before else lines
    expected = "Pixorra läuft" if viewer else "Exit-Code 0"
    check(any(expected in line for line in new), f"{row}: {path} has a new entry naming {expected} {new}")
    return lines


def run_chocolatey(wine, script):
    exe = quoted(windows_path(script["embedded"]))
    log = script["logFile"]
    code = wine.run(f"{exe} {script['silentArgs']}", WORK)
    check(code in script["validExitCodes"], f"chocolatey install: exit code {code}")
    lines = check_deployment_log(wine, "chocolatey install", log, [], viewer=False)
    code = wine.run(f"{exe} {script['silentArgs']}", WORK, viewer=DEFAULT_FOLDER + "px_main64.exe")
    check(code == 1618 and code not in script["validExitCodes"], f"chocolatey with the viewer running: {code} fails")
    check_deployment_log(wine, "chocolatey with the viewer running", log, lines, viewer=True)
    quiet = wine.value(script["entryKey"], "QuietUninstallString") or ""
    # The uninstall script's own split of the entry's command into file and arguments.
    split = re.match(script["split"], quiet)
    check(split is not None, f"chocolateyuninstall.ps1 splits {quiet}")
    if split:
        code = wine.run(f"{quoted(split.group(1))} {split.group(2)}", WORK)
        check(code in script["uninstallCodes"] and wine.wait_gone(DEFAULT_FOLDER),
              f"chocolatey uninstall: exit code {code}")


def run_intune(wine, app, codes, intune):
    rule = app["rules"][0]
    key = rule["keyPath"].split("\\", 1)[1]
    content = windows_path(intune / "source")

    def detected():
        return wine.value(key, rule["valueName"]) == rule["comparisonValue"]

    check(not detected(), "Intune detection: nothing installed before")
    code = wine.run(app["installCommandLine"], content)
    check(codes.get(code) == "success" and detected(), f"Intune install: {code} {codes.get(code)}, detected")
    lines = check_deployment_log(wine, "Intune install", INTUNE_LOG, [], viewer=False)
    code = wine.run(app["installCommandLine"], content, viewer=DEFAULT_FOLDER + "px_main64.exe")
    check(code == 1618 and codes.get(code) == "retry", f"Intune with the viewer running: {code} {codes.get(code)}")
    check_deployment_log(wine, "Intune with the viewer running", INTUNE_LOG, lines, viewer=True)
    code = wine.run(app["uninstallCommandLine"], WORK)
    check(codes.get(code) == "success" and not detected() and wine.wait_gone(DEFAULT_FOLDER),
          f"Intune uninstall: {code} {codes.get(code)}, not detected")


def main():
    parser = argparse.ArgumentParser()
    for name in ("source", "build", "setup", "probe", "wine"):
        parser.add_argument("--" + name, required=True, type=pathlib.Path)
    args = parser.parse_args()
    out = args.build / "packaging-test" / "packages"
    out.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run([sys.executable, str(args.source / "packaging/make_packages.py"), str(args.setup), str(out),
                    "--url", TEST_URL], check=True)
    setup_sha = sha256(args.setup)

    installer = check_winget_files(out / "winget", args.source / "tests/packaging/schemas", setup_sha)
    check_chocolatey_rules(out / "chocolatey", args.source)
    script = check_chocolatey_files(out / "chocolatey", setup_sha)
    app, codes = check_intune_files(out / "intune", setup_sha)

    wine = Wine(args.wine, args.probe, args.build)
    logs = [wine.host(script["logFile"]), wine.host(INTUNE_LOG)]
    shutil.rmtree(wine.host(WORK), ignore_errors=True)
    wine.host(WORK).mkdir(parents=True)
    for log in logs:
        log.unlink(missing_ok=True)
    remove_installation(wine)
    try:
        run_winget(wine, args.source, installer, args.setup)
        run_winget_user(wine, installer, args.setup)
        run_chocolatey(wine, script)
        run_intune(wine, app, codes, out / "intune")
    finally:
        remove_installation(wine)
        shutil.rmtree(wine.host(WORK), ignore_errors=True)

    print(f"packages test: {len(failures)} failure(s), {len(skipped)} row(s) skipped")
    for note in skipped:
        print("  skipped: " + note)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
