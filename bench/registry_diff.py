#!/usr/bin/env python3
"""Compares two `reg export` files (UTF-16LE, as Wine's reg writes them) and
prints the keys and values that are new or changed in the second one.

usage: registry_diff.py BEFORE.reg AFTER.reg [--count]
With --count only: "<keys> keys <values> values" (new or changed ones).
"""
import sys


def parse(path):
    with open(path, "rb") as f:
        text = f.read().decode("utf-16")
    keys = {}
    current = None
    pending = ""
    for raw in text.splitlines():
        line = pending + raw.strip() if pending else raw.rstrip()
        if line.endswith("\\") and current is not None and not line.startswith("["):
            pending = line[:-1]
            continue
        pending = ""
        if line.startswith("[") and line.endswith("]"):
            current = line[1:-1]
            keys.setdefault(current, {})
        elif current is not None and "=" in line:
            if line.startswith("@="):
                name, value = "@", line[2:]
            elif line.startswith('"'):
                end = 1
                while end < len(line) and not (line[end] == '"' and line[end - 1] != "\\"):
                    end += 1
                name, value = line[1:end], line[end + 2:]
            else:
                continue
            keys[current][name] = value
    return keys


# Wine's display driver fills these in the first process that opens a
# window station; they say nothing about the installer.
NOISE = ("HKEY_LOCAL_MACHINE\\System\\", "HKEY_LOCAL_MACHINE\\Hardware\\")


def changes(before_path, after_path):
    """(new keys, [(key, name, raw value)]) of the values new or changed."""
    before, after = parse(before_path), parse(after_path)
    new_keys = [k for k in after if k not in before and not k.startswith(NOISE)]
    values = [(k, n, v) for k, vals in after.items() for n, v in vals.items()
              if before.get(k, {}).get(n) != v and not k.startswith(NOISE)]
    return new_keys, values


def main():
    new_keys, values = changes(sys.argv[1], sys.argv[2])
    if "--count" in sys.argv:
        print(f"{len(new_keys)} keys {len(values)} values")
        return
    for k in new_keys:
        print(f"[{k}]")
    for k, n, v in values:
        print(f"{k} | {n} = {v}")


if __name__ == "__main__":
    main()
