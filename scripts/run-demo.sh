#!/usr/bin/env bash
# Installs what is missing, builds, and runs the walking-and-fighting demo.
# Without a display it runs under a private Xvfb; set TARVOK_FRAMES, TARVOK_SHOTS and TARVOK_SHOTDIR
# to end it after some frames and keep pictures of it (see README.md).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh release
if [ -z "${DISPLAY:-}" ]; then
    export TARVOK_FRAMES=${TARVOK_FRAMES:-600}
    export TARVOK_NONINTERACTIVE=1
fi
exec scripts/with-display.sh build/game/tarvok-demo "$@"
