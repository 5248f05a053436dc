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
keys=${TARVOK_KEYS:-}
if [ -z "$keys" ]; then
    keys=$(mktemp)
    trap 'rm -f "$keys"' EXIT
    cat > "$keys" <<'KEYS'
# walk right towards the enemy, jump on the way, punch when close, then Esc
20 down 205
60 down 57
61 up 57
170 down 30
190 up 205
190 up 30
230 down 1
KEYS
fi
TARVOK_KEYS="$keys" TARVOK_SHOTS=${TARVOK_SHOTS:-19,80,150,185,200} TARVOK_SHOTDIR="$shots" \
    TARVOK_NONINTERACTIVE=1 SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} \
    scripts/with-display.sh build/game/tarvok-demo "$@"
echo "No display: played a scripted game; pictures of it are in $shots"
ls "$shots"
