#!/usr/bin/env bash
# Builds the engine, the demo, the tools, the tests and the benchmarks.
#   scripts/build.sh            Release build in build/
#   scripts/build.sh sanitize   AddressSanitizer + UBSan build in build-sanitize/
set -euo pipefail
cd "$(dirname "$0")/.."

kind=${1:-release}
case "$kind" in
    release)  dir=build;          flags=(-DCMAKE_BUILD_TYPE=Release) ;;
    sanitize) dir=build-sanitize; flags=(-DCMAKE_BUILD_TYPE=Debug -DTARVOK_SANITIZE=ON -DTARVOK_BENCH=OFF) ;;
    *) echo "usage: $0 [release|sanitize]" >&2; exit 2 ;;
esac

export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache}
cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
