#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the whole suite in the Release build (window
# tests under Xvfb when there is no display), then the tests that need no window in a sanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh release
scripts/build.sh sanitize

jobs=$(nproc)
echo "== Release build: all tests"
scripts/with-display.sh ctest --test-dir build --output-on-failure -j "$jobs"
echo "== Sanitizer build: tests without a window"
ctest --test-dir build-sanitize --output-on-failure -j "$jobs" -L nodisplay
echo "== Fuzz targets: a short run of each"
scripts/fuzz.sh 10
