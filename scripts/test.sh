#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the whole suite (examples included) in the Release
# build, a game built against the installed engine, the whole suite again in a sanitizer build (window
# tests under Xvfb when there is no display), the demo in headless Chromium from the browser build, and a
# short run of every fuzz target. Slow dependencies (ccache, the browser build's libraries) are cached in
# ~/.cache.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh release
scripts/build.sh sanitize

jobs=$(nproc)
echo "== Release build: all tests"
scripts/with-display.sh ctest --test-dir build --output-on-failure -j "$jobs"
echo "== The installed engine: a new game with find_package, a program with pkg-config"
tests/install/check_install.sh build
echo "== Sanitizer build: all tests, leaks checked except those of the system libraries named"
LSAN_OPTIONS="suppressions=$PWD/tests/support/lsan-suppressions.txt:print_suppressions=0" \
    scripts/with-display.sh ctest --test-dir build-sanitize --output-on-failure -j "$jobs"
echo "== Browser build"
scripts/test-web.sh
echo "== Fuzz targets: a short run of each"
scripts/fuzz.sh 10
