#!/usr/bin/env bash
# Runs every benchmark program of the Release build and prints one table of the engine against its
# references: work, engine, reference, ratio, goal.
#   scripts/bench.sh [FILTER]   FILTER: a regular expression of benchmark names (default: all)
#
# Convention: a benchmark enters the table through its label, set with tarvok::bench::Compare
# (bench/compare.h) or by hand as "work=TEXT;ref=REFERENCE;goal=G" (rows separated by "|"; keys in
# scripts/bench_table.py). REFERENCE is another benchmark of the same program, by its name without
# /real_time, /manual_time or /iterations:N; the ratio is reference time / engine time (above 1 the
# engine is faster), by wall clock when either side uses real or manual time, else by CPU time.
# Benchmarks without a label still run and are kept in the raw results.
#
# Programs that draw need a display: without one the whole run goes under a private Xvfb server. The
# raw JSON of each program is kept in build/bench-results/.
set -euo pipefail
cd "$(dirname "$0")/.."

filter=${1:-.}
[ -d build/bench ] || { echo "no build/bench: run scripts/build.sh first" >&2; exit 1; }
# with-display.sh sets DISPLAY for the run it starts, so this happens once.
if [ -z "${DISPLAY:-}" ]; then
    exec scripts/with-display.sh "$0" "$@"
fi

out=build/bench-results
rm -rf "$out"
mkdir -p "$out"
export TARVOK_NONINTERACTIVE=1
for program in $(find build/bench -type f -executable -printf '%P\n' | sort); do
    result="$out/$(basename "$program").json"
    echo "running $program" >&2
    if ! "build/bench/$program" --benchmark_out="$result" --benchmark_out_format=json \
        --benchmark_filter="$filter" >"$result.log" 2>&1; then
        echo "  $program failed (see $result.log)" >&2
    fi
done
scripts/bench_table.py "$out"/*.json
