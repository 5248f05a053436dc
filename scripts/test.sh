#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the whole suite in the Release build, then again
# in a sanitizer build (window tests under Xvfb when there is no display).
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
