#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Images per second of the whole codeimg process (start, draw, write, exit) beside the process-start floor and PHP GD.
#
# usage: bench/codeimg_bench.sh BUILD_DIR   (CODEIMG_BENCH_RUNS sets the runs per round, default 200;
#        BENCH_TABLE a file that gets the results as rows of ./dev bench's table)
# Each program runs in rounds of back-to-back starts from this shell; the rounds of the programs alternate and the
# best round of each counts, so that a neighbour's burst of work spoils no single figure. The floor is the usual,
# dynamically linked exit-only program; codeimg is linked statically, so the static exit-only program is shown too.
# codeimg is timed writing a new file per run and replacing one file: on ext4 the replacement costs more, because
# a file truncated and rewritten is flushed when it is closed.
set -euo pipefail

BUILD=${1:?usage: codeimg_bench.sh BUILD_DIR}
HERE=$(cd "$(dirname "$0")" && pwd)
CODEIMG=$BUILD/bin/codeimg
RUNS=${CODEIMG_BENCH_RUNS:-200}
PHP_RUNS=$(((RUNS + 9) / 10)) # php-cli starts some 30 times slower; fewer runs give the same precision
ROUNDS=10

[ -x "$CODEIMG" ] || { echo "codeimg_bench: no $CODEIMG (build first)" >&2; exit 1; }
if ! command -v php >/dev/null || ! php -r 'exit(function_exists("imagepng") ? 0 : 1);'; then
    echo "codeimg_bench: php-cli with GD is needed (Debian: php-cli php-gd)" >&2
    exit 1
fi

# In memory when the machine has it: on a shared disk the cost of creating a file varies more
# than the whole difference measured (CODEIMG_BENCH_DIR chooses another folder).
WORK=$(mktemp -d "${CODEIMG_BENCH_DIR:-$( [ -d /dev/shm ] && echo /dev/shm || echo /tmp )}/codeimg-bench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
mkdir "$WORK/new"
cc -O2 -o "$WORK/exit_only" "$HERE/codeimg/exit_only.c"
cc -O2 -static -o "$WORK/exit_only_static" "$HERE/codeimg/exit_only.c" 2>/dev/null ||
    cp "$WORK/exit_only" "$WORK/exit_only_static"

# Nanoseconds for $1 runs of the rest of the line; an argument "{}" becomes the run's number. Exit statuses are
# not the point (codeimg ends with 1 after every image).
round() {
    local runs=$1 i t0
    shift
    local args=("$@")
    t0=$(date +%s%N)
    for ((i = 0; i < runs; i++)); do
        "${args[@]//\{\}/$i}" >/dev/null 2>&1 || true
    done
    echo $(($(date +%s%N) - t0))
}

LABELS=("exit-only program (process floor)" "exit-only program, static" "codeimg 4821, a new file per run"
    "codeimg 4821, replacing one file" "php-cli GD script, replacing one file")
COUNTS=("$RUNS" "$RUNS" "$RUNS" "$RUNS" "$PHP_RUNS")
BEST=(0 0 0 0 0)
measure() { # index command...
    local k=$1 ns
    shift
    ns=$(round "${COUNTS[$k]}" "$@")
    if [ "${BEST[$k]}" -eq 0 ] || [ "$ns" -lt "${BEST[$k]}" ]; then
        BEST[k]=$ns
    fi
}

# Warm the page cache and check that each program does its job once.
"$WORK/exit_only"
"$CODEIMG" 4821 "$WORK/codeimg.png" || true
php "$HERE/codeimg/gd_code.php" 4821 "$WORK/gd.png"
if [ ! -s "$WORK/codeimg.png" ] || [ ! -s "$WORK/gd.png" ]; then
    echo "codeimg_bench: a program wrote no image" >&2
    exit 1
fi

for ((r = 0; r < ROUNDS; r++)); do
    rm -f "$WORK"/new/*
    measure 0 "$WORK/exit_only"
    measure 1 "$WORK/exit_only_static"
    measure 2 "$CODEIMG" 4821 "$WORK/new/{}.png"
    measure 3 "$CODEIMG" 4821 "$WORK/codeimg.png"
    measure 4 php "$HERE/codeimg/gd_code.php" 4821 "$WORK/gd.png"
done

PER_RUN=()
for k in "${!BEST[@]}"; do
    PER_RUN[k]=$((BEST[k] / COUNTS[k]))
done
echo
echo "codeimg whole-process benchmark (best of $ROUNDS rounds, $(nproc) cores)"
printf '%-40s %6s %10s %10s %8s\n' "program" "runs" "us/run" "images/s" "x floor"
for k in "${!BEST[@]}"; do
    awk -v l="${LABELS[$k]}" -v n="${COUNTS[$k]}" -v ns="${PER_RUN[$k]}" -v f="${PER_RUN[0]}" \
        'BEGIN { printf "%-40s %6d %10.1f %10.0f %8.2f\n", l, n, ns / 1000, 1e9 / ns, ns / f }'
done
awk -v n="${PER_RUN[2]}" -v c="${PER_RUN[3]}" -v f="${PER_RUN[0]}" -v p="${PER_RUN[4]}" 'BEGIN {
    printf "target within 1.5x the floor: %s (%.2fx new file, %.2fx replacing); faster than PHP GD: %s (%.1fx)\n",
        c <= 1.5 * f && n <= 1.5 * f ? "met" : "MISSED", n / f, c / f, c < p ? "met" : "MISSED", p / c }'

if [ -n "${BENCH_TABLE:-}" ]; then
    for k in 2 3 4; do
        awk -v l="${LABELS[$k]}" -v ns="${PER_RUN[$k]}" -v f="${PER_RUN[0]}" -v c="${PER_RUN[3]}" -v k="$k" 'BEGIN {
            target = k == 4 ? "codeimg faster than this" : "<= 1.5x the floor"
            verdict = k == 4 ? (c < ns ? "met" : "MISSED") : (ns <= 1.5 * f ? "met" : "MISSED")
            printf "%s\t%.0f us, %.0f images/s\tfloor %.0f us\t%.2fx\t%s\t%s\n", l, ns / 1000, 1e9 / ns, f / 1000, ns / f,
                target, verdict }' >>"$BENCH_TABLE"
    done
fi
