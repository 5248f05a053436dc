#!/usr/bin/env bash
# Builds the readers' libFuzzer targets (clang, AddressSanitizer + UBSan) in build-fuzz/ and runs each
# for SECONDS (default 15), two at a time, starting from its seed corpus in fuzz/corpus/TARGET.
#   scripts/fuzz.sh [SECONDS [TARGET...]]    (SECONDS 0: build only)
# An input that crashes, takes over 2 s or needs over 512 MB is kept in build-fuzz/findings/TARGET/
# (emptied at the target's next run) and the script fails. New coverage found on the way is kept in
# build-fuzz/corpus/TARGET/ for later runs.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-15}
[ $# -gt 0 ] && shift
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for f in fuzz/*_fuzz.cpp; do
        name=${f#fuzz/}
        targets+=("${name%_fuzz.cpp}")
    done
fi

export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache}
export CCACHE_BASEDIR=$PWD
export CCACHE_NOHASHDIR=1
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DTARVOK_FUZZ=ON -DTARVOK_TESTS=OFF -DTARVOK_BENCH=OFF >/dev/null
cmake --build build-fuzz --target fuzz_all -j "$(nproc)"
[ "$seconds" -gt 0 ] || exit 0  # 0 seconds: build only

mkdir -p build-fuzz/logs
run_target() {
    local t=$1
    rm -rf "build-fuzz/findings/$t"
    mkdir -p "build-fuzz/corpus/$t" "build-fuzz/findings/$t"
    # SDL and the readers' messages are not needed: standard output is closed for the target.
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "build-fuzz/fuzz/fuzz_$t" -max_total_time="$seconds" \
        -rss_limit_mb=512 -timeout=2 -close_fd_mask=1 -print_final_stats=1 \
        -artifact_prefix="build-fuzz/findings/$t/" "build-fuzz/corpus/$t" "fuzz/corpus/$t" \
        >"build-fuzz/logs/$t.log" 2>&1
}
export -f run_target
export seconds

failed=0
printf '%s\n' "${targets[@]}" | xargs -P "${TARVOK_FUZZ_JOBS:-2}" -I{} bash -c 'run_target {}' || failed=1
printf '%-12s %12s %8s %8s  %s\n' target executions cov ft result
for t in "${targets[@]}"; do
    log=build-fuzz/logs/$t.log
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || true)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || true)
    result=ok
    if ls "build-fuzz/findings/$t/" | grep -q .; then
        result="FINDING: $(ls "build-fuzz/findings/$t/" | tr '\n' ' ')(log: $log)"
        failed=1
    fi
    printf '%-12s %12s %8s %8s  %s\n' "$t" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$result"
done
exit $failed
