#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Prints every benchmark of the project as one table: the scanner's Google Benchmark JSON and
# the rows the whole-process scripts append to the table file (tab-separated: benchmark,
# measured, compared with, ratio, target, verdict).
#
# usage: bench/table.py SCAN_JSON TABLE_TSV
import json
import sys

SCAN_TARGETS = {"BM_ScanPageDenseMarkup": 1.0}  # GB/s on one core
SCAN_NAMES = {
    "BM_ScanPageDenseMarkup": "scanner, 32 MB dense markup (one core)",
    "BM_ScanPageAddressDense": "scanner, 8 MB address-dense (one core)",
    "BM_ExposureSearchDenseMarkup": "exposure search, 32 MB dense markup (one core)",
}


def scan_rows(path):
    rows = []
    try:
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
    except (OSError, ValueError):
        return rows
    for b in data.get("benchmarks", []):
        name = b.get("name", "")
        if b.get("run_type") == "aggregate" or "bytes_per_second" not in b:
            continue
        gbs = b["bytes_per_second"] / 1e9
        target = SCAN_TARGETS.get(name)
        rows.append([
            SCAN_NAMES.get(name, name),
            f"{gbs:.2f} GB/s",
            f"{b['real_time']:.1f} {b.get('time_unit', 'ns')} per page",
            "",
            f">= {target:g} GB/s" if target else "",
            ("met" if gbs >= target else "MISSED") if target else "",
        ])
    return rows


def main():
    rows = scan_rows(sys.argv[1])
    try:
        with open(sys.argv[2], encoding="utf-8") as f:
            for line in f:
                cells = line.rstrip("\n").split("\t")
                if len(cells) >= 2:
                    rows.append((cells + [""] * 6)[:6])
    except OSError:
        pass
    head = ["benchmark", "measured", "compared with", "ratio", "target", "verdict"]
    widths = [max(len(r[i]) for r in [head] + rows) for i in range(6)]
    rule = "  ".join("-" * w for w in widths)
    print()
    print("  ".join(h.ljust(w) for h, w in zip(head, widths)).rstrip())
    print(rule)
    for r in rows:
        print("  ".join(c.ljust(w) for c, w in zip(r, widths)).rstrip())
    return 1 if any(r[5] == "MISSED" for r in rows) else 0


if __name__ == "__main__":
    sys.exit(main())
