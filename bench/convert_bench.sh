#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# orvex-cli against copying the same files. A generated site of 2000 pages (about 100 MB) holding
# 10000 addresses (the scan table's capacity) and 2000 decoys is converted with the PHP kit and
# scanned with --json; each run is paired with a cp -r of the site, and a figure is the median
# of the pairs' ratios, so that a neighbour's burst of work spoils no single figure. One page of
# 50 MB is scanned whole process, against cat of the same page. Peak memory (maximum resident
# set) is taken for the big site and for a one-page site, whose difference is what the table and
# the pages cost.
#
# usage: bench/convert_bench.sh BUILD_DIR   (CONVERT_BENCH_PAGE_BYTES sets the page size, default
#        49152; CONVERT_BENCH_DIR the folder to work in, default /dev/shm; CONVERT_BENCH_ROUNDS the
#        pairs, default 9; BENCH_TABLE a file that gets the results as rows of ./dev bench's table)
set -euo pipefail

BUILD=${1:?usage: convert_bench.sh BUILD_DIR}
CLI=$BUILD/bin/orvex-cli
MKSITE=$BUILD/bin/orvex-mksite
PAGE_BYTES=${CONVERT_BENCH_PAGE_BYTES:-49152}
ROUNDS=${CONVERT_BENCH_ROUNDS:-9}
BIG_PAGE_BYTES=$((50 * 1000 * 1000))

for program in "$CLI" "$MKSITE"; do
    [ -x "$program" ] || { echo "convert_bench: no $program (build first)" >&2; exit 1; }
done

# In memory when the machine has it: a shared disk's noise is larger than the difference measured.
WORK=$(mktemp -d "${CONVERT_BENCH_DIR:-$( [ -d /dev/shm ] && echo /dev/shm || echo /tmp )}/convert-bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
"$MKSITE" "$WORK/site" 2000 10000 "$PAGE_BYTES" 1 2000
"$MKSITE" "$WORK/small" 1 0 "$PAGE_BYTES"
"$MKSITE" "$WORK/big" 1 5000 "$BIG_PAGE_BYTES"
SITE_BYTES=$(du -sb "$WORK/site" | cut -f1)
BIG_BYTES=$(find "$WORK/big" -type f -printf '%s\n')

convert() {
    "$CLI" convert --home "$1" --out "$2" --kind php --cgidata "$BUILD/bin/CgiData" >/dev/null 2>&1 || true
}
scan_json() {
    "$CLI" scan --json --home "$1" >/dev/null 2>&1 || true
}
read_page() {
    cat "$1" >/dev/null
}
scan_text() {
    "$CLI" scan --home "$1" >/dev/null 2>&1 || true
}

# Microseconds of one run of the rest of the line.
micros() {
    local t0 t1
    t0=$(date +%s%N)
    "$@"
    t1=$(date +%s%N)
    echo $(((t1 - t0) / 1000))
}

cat "$WORK"/site/*.html "$WORK"/big/*.html >/dev/null # warm the cache for the first round
: >"$WORK/pairs"
for ((r = 0; r < ROUNDS; r++)); do
    rm -rf "$WORK/copy" "$WORK/out" "$WORK/copy2"
    copy=$(micros cp -r "$WORK/site" "$WORK/copy")
    conv=$(micros convert "$WORK/site" "$WORK/out")
    copy2=$(micros cp -r "$WORK/site" "$WORK/copy2")
    scan=$(micros scan_json "$WORK/site")
    read_big=$(micros read_page "$WORK/big/page0.html")
    scan_big=$(micros scan_text "$WORK/big")
    echo "$copy $conv $copy2 $scan $read_big $scan_big" >>"$WORK/pairs"
done
# Medians of the pairs: times in ms, ratios to the copy, the big page in GB/s.
read -r copy_ms conv_ms copy2_ms scan_ms conv_ratio scan_ratio big_gbs read_gbs < <(python3 - "$WORK/pairs" "$BIG_BYTES" <<'PY'
import statistics, sys
rows = [[float(x) for x in line.split()] for line in open(sys.argv[1]) if line.strip()]
big = float(sys.argv[2])
col = lambda i: statistics.median(r[i] for r in rows)
ratio = lambda a, b: statistics.median(r[a] / max(r[b], 1) for r in rows)
print("%.0f %.0f %.0f %.0f %.2f %.2f %.2f %.2f" % (col(0) / 1000, col(1) / 1000, col(2) / 1000, col(3) / 1000,
      ratio(1, 0), ratio(3, 2), big / (col(5) * 1000), big / (col(4) * 1000)))
PY
)

pages=$(find "$WORK/out" -name '*.html' | wc -l)
lines=$(grep -c '^[0-9]' "$WORK/out/Velmorant/emaildata.php")
rm -rf "$WORK/out" "$WORK/out-small"
convert "$WORK/site" "$WORK/out"
/usr/bin/time -o "$WORK/peak-big" -f '%M' "$CLI" convert --home "$WORK/site" --out "$WORK/out" --kind php \
    --cgidata "$BUILD/bin/CgiData" >/dev/null 2>&1 || true
/usr/bin/time -o "$WORK/peak-small" -f '%M' "$CLI" convert --home "$WORK/small" --out "$WORK/out-small" --kind php \
    --cgidata "$BUILD/bin/CgiData" >/dev/null 2>&1 || true
/usr/bin/time -o "$WORK/peak-page" -f '%M' "$CLI" scan --home "$WORK/big" >/dev/null 2>&1 || true
peak_big=$(tail -1 "$WORK/peak-big")
peak_small=$(tail -1 "$WORK/peak-small")
peak_page=$(tail -1 "$WORK/peak-page")

echo "convert_bench: site of 2000 pages, $((SITE_BYTES / 1024)) KiB; $ROUNDS pairs, medians"
echo "convert_bench: orvex-cli wrote $pages pages and $lines data lines"
echo "convert_bench: cp -r $copy_ms ms, convert $conv_ms ms: $conv_ratio times the copy (target 1.0)"
echo "convert_bench: cp -r $copy2_ms ms, scan --json $scan_ms ms: $scan_ratio times the copy (target 0.6)"
echo "convert_bench: one page of $BIG_BYTES bytes scanned at $big_gbs GB/s whole process (cat: $read_gbs GB/s)"
echo "convert_bench: peak memory $peak_big KiB for the big site, $peak_small KiB for one page:" \
    "$((peak_big - peak_small)) KiB for the table and the pages; $peak_page KiB scanning the 50 MB page"

if [ -n "${BENCH_TABLE:-}" ]; then
    verdict() { awk -v v="$1" -v t="$2" -v dir="$3" 'BEGIN { ok = dir == "<=" ? v <= t : v >= t; print ok ? "met" : "MISSED" }'; }
    site="$((SITE_BYTES >> 20)) MiB"
    {
        printf 'site conversion, 2000 pages, 10000 addresses, %s\t%d ms\tcp -r %d ms\t%sx\t<= 1.0x the copy\t%s\n' \
            "$site" "$conv_ms" "$copy_ms" "$conv_ratio" "$(verdict "$conv_ratio" 1.0 '<=')"
        printf 'site scan --json, same site\t%d ms\tcp -r %d ms\t%sx\t<= 0.6x the copy\t%s\n' \
            "$scan_ms" "$copy2_ms" "$scan_ratio" "$(verdict "$scan_ratio" 0.6 '<=')"
        printf 'one 50 MB page scanned, whole process\t%s GB/s\tcat %s GB/s\t\t>= 1 GB/s\t%s\n' \
            "$big_gbs" "$read_gbs" "$(verdict "$big_gbs" 1.0 '>=')"
        printf 'site conversion, peak memory\t%d KiB\tone-page site %d KiB\t+%d KiB\tnear one page plus the table\t\n' \
            "$peak_big" "$peak_small" "$((peak_big - peak_small))"
        printf 'one 50 MB page scanned, peak memory\t%d KiB\tthe page %d KiB\t\tnear one page\t\n' \
            "$peak_page" "$((BIG_BYTES / 1024))"
    } >>"$BENCH_TABLE"
fi
