#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# orvex-service's throughput on this machine, on SQLite and on a private PostgreSQL server:
# uploads per second (members uploading pages of four addresses at once, each from its own
# connection, until every store is full) and pop-ups per second (each drawn, its code stored,
# 32 at a time from clients of their own). The service runs with its defaults (16 request
# threads; SQLite with a synchronous commit before every answer).
#
# usage: bench/service_bench.sh BUILD_DIR   (SERVICE_BENCH_MEMBERS, default 40; BENCH_TABLE a file
#        that gets the results as rows of ./dev bench's table)
set -euo pipefail

BUILD=${1:?usage: service_bench.sh BUILD_DIR}
SERVICE=$BUILD/bin/orvex-service
LOAD=$BUILD/bin/orvex-service-load
MEMBERS=${SERVICE_BENCH_MEMBERS:-40}
for program in "$SERVICE" "$LOAD"; do
    [ -x "$program" ] || { echo "service_bench: no $program (build first)" >&2; exit 1; }
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/service-bench.XXXXXX")
PG_CTL="" AS=""
cleanup() {
    [ -n "${SERVICE_PID:-}" ] && kill "$SERVICE_PID" 2>/dev/null && wait "$SERVICE_PID" 2>/dev/null
    [ -n "$PG_CTL" ] && $AS "$PG_CTL" -D "$WORK/pg/data" -m immediate -w stop >/dev/null 2>&1
    rm -rf "$WORK"
}
trap cleanup EXIT

# One run on the database at URL: members added, the service started, the load driven.
run() {
    local url=$1 name=$2
    for ((m = 0; m < MEMBERS; m++)); do
        printf 'bench-pass\n' | "$SERVICE" member add "m$m" --db "$url" >/dev/null
    done
    "$SERVICE" serve --listen 127.0.0.1:0 --db "$url" >"$WORK/serve.out" 2>"$WORK/serve.err" &
    SERVICE_PID=$!
    local port=""
    for _ in $(seq 100); do
        port=$(sed -n 's/.*listening on http:\/\/127\.0\.0\.1:\([0-9]*\).*/\1/p' "$WORK/serve.out")
        [ -n "$port" ] && break
        sleep 0.1
    done
    "$LOAD" "127.0.0.1:$port" "$MEMBERS" bench-pass >"$WORK/load.out"
    kill "$SERVICE_PID"
    wait "$SERVICE_PID" || true
    SERVICE_PID=""
    local uploads popups
    uploads=$(awk '$1 == "uploads" { print $3 }' "$WORK/load.out")
    popups=$(awk '$1 == "popups" { print $3 }' "$WORK/load.out")
    echo "service on $name: $uploads uploads/s, $popups pop-ups/s"
    if [ -n "${BENCH_TABLE:-}" ]; then
        printf 'orvex-service uploads (%s, %d members at once)\t%s /s\n' "$name" "$MEMBERS" "$uploads" >>"$BENCH_TABLE"
        printf 'orvex-service pop-ups (%s, 32 at once)\t%s /s\n' "$name" "$popups" >>"$BENCH_TABLE"
    fi
}

run "sqlite:$WORK/sqlite/service.db" SQLite

# PostgreSQL from Debian's package, on a private port and data folder (as the postgres account
# when run as root, which the server refuses).
INITDB=$(ls /usr/lib/postgresql/*/bin/initdb 2>/dev/null | sort -V | tail -1 || true)
if [ -z "$INITDB" ]; then
    echo "service_bench: no PostgreSQL server programs (Debian package postgresql); PostgreSQL left out" >&2
    exit 0
fi
PG_CTL=$(dirname "$INITDB")/pg_ctl
mkdir -p "$WORK/pg"
if [ "$(id -u)" -eq 0 ]; then
    chown postgres "$WORK/pg"
    chmod 755 "$WORK"
    AS="runuser -u postgres --"
fi
PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
$AS "$INITDB" -D "$WORK/pg/data" -U orvex --auth=trust -E UTF8 >/dev/null
$AS "$PG_CTL" -D "$WORK/pg/data" -w -l "$WORK/pg/server.log" \
    -o "-p $PORT -k $WORK/pg -c listen_addresses=127.0.0.1 -c max_connections=200" start >/dev/null
run "postgresql://orvex@127.0.0.1:$PORT/postgres" PostgreSQL
