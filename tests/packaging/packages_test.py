#!/usr/bin/env python3
"""The deployment packages of this build's setup, made as scripts/release.sh
makes them (packaging/make_packages.py), checked the way the tools read them:

- the winget manifests validate against winget's published JSON schemas
  1.10.0 (tests/packaging/schemas), and a manifest with a wrong enum value
  does not (so the check really bites);
- every package names the setup's real SHA-256;
- every switch and command line the packages name is run for real under
  Wine, through package_probe.exe (it sees the full exit code), and each exit
  code is looked up in the package's own table: winget's Silent,
  SilentWithProgress, InstallLocation and Log switches and the uninstall
  entry's QuietUninstallString; Chocolatey's silentArgs, validExitCodes and
  its uninstall script's reading of the entry; Intune's install and uninstall
  commands, return codes and detection rule. 1618 comes from a run while the
  installed viewer is running.

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
           installer["ElevationRequirement"]) == ("exe", "machine", "install", "elevationRequired"),
          "winget exe installer, machine scope, upgrade by installing, started elevated")
    user = installer["Installers"][1] if len(installer["Installers"]) > 1 else {}
    check((user.get("Scope"), user.get("InstallerSwitches", {}).get("Custom"), user.get("ElevationRequirement"),
           user.get("InstallerSha256"), user.get("InstallerUrl")) ==
          ("user", "/scope=user", "elevationProhibited", setup_sha, TEST_URL),
          "winget's second installer: the same setup for the current user, with /scope=user, not elevated")
    return installer


def check_chocolatey_files(chocolatey, setup_sha):
    nuspec = ElementTree.parse(chocolatey / "pixorra.nuspec").getroot()
    ns = {"n": "http://schemas.microsoft.com/packaging/2015/06/nuspec.xsd"}
    facts = {tag: nuspec.findtext(f"n:metadata/n:{tag}", namespaces=ns) for tag in ("id", "version", "authors")}
    check(facts == {"id": "pixorra", "version": "4.42", "authors": "Tamsin Orlo"}, f"nuspec metadata {facts}")
    install = (chocolatey / "tools/chocolateyinstall.ps1").read_text(encoding="utf-8")
    uninstall = (chocolatey / "tools/chocolateyuninstall.ps1").read_text(encoding="utf-8")
    script = {
        "file": re.search(r"Join-Path \$toolsDir '([^']+)'", install).group(1),
        "checksum": re.search(r"-Checksum '([0-9A-Fa-f]{64})' -ChecksumType 'sha256'", install).group(1),
        "silentArgs": re.search(r"silentArgs\s*=\s*'([^']*)'", install).group(1),
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
    script["embedded"] = embedded
    return script


def check_intune_files(intune, setup_sha):
    app = json.loads((intune / "Pixorra.win32app.json").read_text(encoding="utf-8"))
    check(app["@odata.type"] == "#microsoft.graph.win32LobApp" and app["setupFilePath"] == "PixorraSetup64.exe",
          "Intune Win32 app wrapping PixorraSetup64.exe")
    check(sha256(intune / "source" / app["setupFilePath"]) == setup_sha and setup_sha in app["notes"],
          "Intune source folder holds the setup, its SHA-256 noted")
    check(app["installCommandLine"] == "PixorraSetup64.exe /silent", "Intune install command")
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


def run_chocolatey(wine, script):
    exe = quoted(windows_path(script["embedded"]))
    code = wine.run(f"{exe} {script['silentArgs']}", WORK)
    check(code in script["validExitCodes"], f"chocolatey install: exit code {code}")
    code = wine.run(f"{exe} {script['silentArgs']}", WORK, viewer=DEFAULT_FOLDER + "px_main64.exe")
    check(code == 1618 and code not in script["validExitCodes"], f"chocolatey with the viewer running: {code} fails")
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
    code = wine.run(app["installCommandLine"], content, viewer=DEFAULT_FOLDER + "px_main64.exe")
    check(code == 1618 and codes.get(code) == "retry", f"Intune with the viewer running: {code} {codes.get(code)}")
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
    script = check_chocolatey_files(out / "chocolatey", setup_sha)
    app, codes = check_intune_files(out / "intune", setup_sha)

    wine = Wine(args.wine, args.probe, args.build)
    shutil.rmtree(wine.host(WORK), ignore_errors=True)
    wine.host(WORK).mkdir(parents=True)
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
