#!/usr/bin/env bash
# Builds the engine, the demo, the tools, the tests and the benchmarks.
#   scripts/build.sh            Release build in build/
#   scripts/build.sh sanitize   AddressSanitizer + UBSan build in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")/.."

kind=${1:-release}
case "$kind" in
    release)  dir=build;          flags=(-DCMAKE_BUILD_TYPE=Release) ;;
    sanitize) dir=build-sanitize; flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVOK_SANITIZE=ON -DTARVOK_BENCH=OFF) ;;
    *) echo "usage: $0 [release|sanitize]" >&2; exit 2 ;;
esac

# Paths relative to the checkout, so that a fresh clone in another folder (CI) hits the same cache.
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache}
export CCACHE_BASEDIR=$PWD
export CCACHE_NOHASHDIR=1
cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
