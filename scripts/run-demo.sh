#!/usr/bin/env bash
# Installs what is missing, builds, and runs the walking-and-fighting demo.
# Without a display it plays a short scripted game under a private Xvfb (walk, jump, punch the enemy,
# win, Esc) and keeps some of its frames as PNG pictures.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build.sh release

if [ -n "${DISPLAY:-}" ]; then
    exec build/game/tarvok-demo "$@"
fi

shots=${TARVOK_SHOTDIR:-$PWD/demo-shots}
mkdir -p "$shots"
keys=${TARVOK_KEYS:-$PWD/game/scripted-game.keys}
TARVOK_KEYS="$keys" TARVOK_SHOTS=${TARVOK_SHOTS:-19,80,150,185,200} TARVOK_SHOTDIR="$shots" \
    TARVOK_NONINTERACTIVE=1 SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} \
    scripts/with-display.sh build/game/tarvok-demo "$@"
echo "No display: played a scripted game; pictures of it are in $shots"
ls "$shots"
