#!/usr/bin/env python3
"""Splits one run's Wine trace (WINEDEBUG=+timestamp,+relay with a short
RelayInclude list, see profile-run.sh) into the steps of the installation
and prints how long each took, in milliseconds.

usage: profile_phases.py TRACE
"""
import re
import sys

LINE = re.compile(r"^(\d+\.\d+):([0-9a-f]+):(Call|Ret) +(\S+?)\(")

# Each step begins at the first call of its marker in the installer's
# threads; a step ends where the next one that occurred begins.
STEPS = [
    ("start-up to WinMain", "PROCESS_ATTACH"),
    ("command line, viewer check, folder", "KERNEL32.GetCommandLineA"),
    ("payload: temporary archive and unpacking", "KERNEL32.GetTempPathA"),
    ("settings file", "KERNEL32.WritePrivateProfileStringA"),
    ("links (queued for the link thread)", "shell32.SHGetSpecialFolderLocation"),
    ("registration: registry", "advapi32.RegSetValueA"),
    ("shell refresh, then waiting for the last links", "user32.SystemParametersInfoA"),
    ("exit", "KERNEL32.ExitProcess"),
]


def main():
    events = []
    main_thread = None
    with open(sys.argv[1], errors="replace") as f:
        for line in f:
            head = line.split(":", 2)
            if len(head) < 3:
                continue
            if "PROCESS_ATTACH" in line and "Call PE DLL" in line and not events:
                events.append((float(head[0]), head[1], "PROCESS_ATTACH"))
                continue
            m = LINE.match(line)
            if not m or m.group(3) != "Call":
                continue
            events.append((float(m.group(1)), m.group(2), m.group(4)))
            if m.group(4) == "KERNEL32.GetCommandLineA" and main_thread is None:
                main_thread = m.group(2)
    last = float(line.split(":", 1)[0]) if events else 0.0
    found = []
    for name, marker in STEPS:
        for time, thread, function in events:
            if function == marker and (main_thread is None or thread == main_thread or marker == "PROCESS_ATTACH"):
                found.append((time, name))
                break
    found.sort()
    found.append((last, "end"))
    counts = {}
    for _, thread, function in events:
        if thread == main_thread:
            counts[function] = counts.get(function, 0) + 1
    print("| Step | ms |")
    print("|---|---|")
    for (time, name), (next_time, _) in zip(found, found[1:]):
        print(f"| {name} | {(next_time - time) * 1000:.0f} |")
    print(f"| total, first to last trace line | {(last - found[0][0]) * 1000:.0f} |")
    print()
    print("Calls of the installer's main thread: " +
          ", ".join(f"{f.split('.')[-1]} {n}" for f, n in sorted(counts.items())))


if __name__ == "__main__":
    main()
