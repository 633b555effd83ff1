#!/usr/bin/env python3
"""Medians, spread and paired ratios of the benchmark's timings.

usage: summarize.py TIMES_FILE COLUMN [COLUMN_B]
TIMES_FILE has one line per round: whitespace-separated named figures,
NAME=MS. One column prints "median (p25-p75)"; two columns print the paired
ratio A/B, taken round by round, as "median (p25-p75)": pairing keeps the
ratio meaningful when the machine's speed drifts during the run.
"""
import sys


def quantile(values, q):
    values = sorted(values)
    position = (len(values) - 1) * q
    low = int(position)
    high = min(low + 1, len(values) - 1)
    return values[low] + (values[high] - values[low]) * (position - low)


def columns(path):
    rounds = []
    with open(path) as f:
        for line in f:
            fields = dict(item.split("=", 1) for item in line.split())
            rounds.append({name: float(value) for name, value in fields.items()})
    return rounds


def spread(values, digits):
    return (f"{quantile(values, 0.5):.{digits}f} "
            f"({quantile(values, 0.25):.{digits}f}-{quantile(values, 0.75):.{digits}f})")


def main():
    rounds = columns(sys.argv[1])
    a = [r[sys.argv[2]] for r in rounds if sys.argv[2] in r]
    if len(sys.argv) == 3:
        print(spread(a, 0 if max(a) >= 1000 else 1))
        return
    ratios = [r[sys.argv[2]] / r[sys.argv[3]] for r in rounds if sys.argv[2] in r and sys.argv[3] in r]
    print(spread(ratios, 2))


if __name__ == "__main__":
    main()
