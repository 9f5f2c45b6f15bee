#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Whole-site conversion against copying the same files: a generated site of 2000 pages holding
# 10000 addresses (the scan table's capacity) is converted with the PHP kit by orvex-cli, and
# copied with cp -r. Both times are the best of several alternating rounds on a warm cache, so a
# neighbour's burst of work spoils no single figure. Peak memory (maximum resident set) is taken
# for the big site and for a one-page site, whose difference is what the table and the pages cost.
#
# usage: bench/convert_bench.sh BUILD_DIR   (CONVERT_BENCH_PAGE_BYTES sets the page size, default 16384;
#        CONVERT_BENCH_DIR the folder to work in, default /dev/shm; BENCH_TABLE a file that gets
#        the results as rows of ./dev bench's table)
set -euo pipefail

BUILD=${1:?usage: convert_bench.sh BUILD_DIR}
CLI=$BUILD/bin/orvex-cli
MKSITE=$BUILD/bin/orvex-mksite
PAGE_BYTES=${CONVERT_BENCH_PAGE_BYTES:-16384}
ROUNDS=5

for program in "$CLI" "$MKSITE"; do
    [ -x "$program" ] || { echo "convert_bench: no $program (build first)" >&2; exit 1; }
done

# In memory when the machine has it: a shared disk's noise is larger than the difference measured.
WORK=$(mktemp -d "${CONVERT_BENCH_DIR:-$( [ -d /dev/shm ] && echo /dev/shm || echo /tmp )}/convert-bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
"$MKSITE" "$WORK/site" 2000 10000 "$PAGE_BYTES"
"$MKSITE" "$WORK/small" 1 0 "$PAGE_BYTES"
SITE_BYTES=$(du -sb "$WORK/site" | cut -f1)
LARGEST=$(find "$WORK/site" -type f -printf '%s\n' | sort -n | tail -1)

convert() {
    "$CLI" convert --home "$1" --out "$2" --kind php --cgidata "$BUILD/bin/CgiData" >/dev/null 2>&1 || true
}

# Milliseconds of one run of the rest of the line.
millis() {
    local t0 t1
    t0=$(date +%s%N)
    "$@"
    t1=$(date +%s%N)
    echo $(((t1 - t0) / 1000000))
}

cat "$WORK"/site/*.html >/dev/null # warm the cache for the first round
best_copy=999999999
best_convert=999999999
for ((r = 0; r < ROUNDS; r++)); do
    rm -rf "$WORK/copy" "$WORK/out"
    t=$(millis cp -r "$WORK/site" "$WORK/copy")
    ((t < best_copy)) && best_copy=$t
    t=$(millis convert "$WORK/site" "$WORK/out")
    ((t < best_convert)) && best_convert=$t
done

pages=$(find "$WORK/out" -name '*.html' | wc -l)
lines=$(grep -c '^[0-9]' "$WORK/out/Velmorant/emaildata.php")
rm -rf "$WORK/out" "$WORK/out-small"
"$CLI" convert --home "$WORK/site" --out "$WORK/out" --kind php --cgidata "$BUILD/bin/CgiData" >/dev/null 2>&1 || true
/usr/bin/time -o "$WORK/peak-big" -f '%M' "$CLI" convert --home "$WORK/site" --out "$WORK/out" --kind php \
    --cgidata "$BUILD/bin/CgiData" >/dev/null 2>&1 || true
/usr/bin/time -o "$WORK/peak-small" -f '%M' "$CLI" convert --home "$WORK/small" --out "$WORK/out-small" --kind php \
    --cgidata "$BUILD/bin/CgiData" >/dev/null 2>&1 || true
peak_big=$(tail -1 "$WORK/peak-big")
peak_small=$(tail -1 "$WORK/peak-small")

echo "convert_bench: site of 2000 pages, $((SITE_BYTES / 1024)) KiB, largest page $LARGEST bytes"
echo "convert_bench: orvex-cli wrote $pages pages and $lines data lines"
printf 'convert_bench: cp -r %d ms, scan and convert %d ms: %s times the copy (target 1.5)\n' \
    "$best_copy" "$best_convert" "$(awk -v a="$best_convert" -v b="$best_copy" 'BEGIN { printf "%.2f", a / (b ? b : 1) }')"
echo "convert_bench: peak memory $peak_big KiB for the big site, $peak_small KiB for one page:" \
    "$((peak_big - peak_small)) KiB for the table and the pages"

if [ -n "${BENCH_TABLE:-}" ]; then
    ratio=$(awk -v a="$best_convert" -v b="$best_copy" 'BEGIN { printf "%.2f", a / (b ? b : 1) }')
    verdict=$(awk -v a="$best_convert" -v b="$best_copy" 'BEGIN { print (a <= 1.5 * b ? "met" : "MISSED") }')
    printf 'site conversion, 2000 pages, 10000 addresses, %d MiB\t%d ms\tcp -r %d ms\t%sx\t<= 1.5x the copy\t%s\n' \
        "$((SITE_BYTES >> 20))" "$best_convert" "$best_copy" "$ratio" "$verdict" >>"$BENCH_TABLE"
    printf 'site conversion, peak memory\t%d KiB\tone-page site %d KiB\t+%d KiB\tnear one page plus the table\t\n' \
        "$peak_big" "$peak_small" "$((peak_big - peak_small))" >>"$BENCH_TABLE"
fi
