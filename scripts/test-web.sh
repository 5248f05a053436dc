#!/usr/bin/env bash
# The browser build's test: builds it (its libraries cached in ~/.cache/tarvok-web) and has headless
# Chromium play the demo's scripted game, comparing its frames with the native demo's (scripts/build.sh
# release must have built build/game/tarvok-demo). --measure adds the frame-rate and start-up times.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build-web.sh
echo "== Browser build: the demo in headless Chromium against the native frames"
/usr/bin/python3 tests/web/browser_demo_test.py build-web build/game/tarvok-demo "$@"
