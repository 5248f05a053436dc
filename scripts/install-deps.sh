#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need; does nothing when all are there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache pkg-config
    libsdl2-dev libsdl2-mixer-dev libpng-dev zlib1g-dev liblzo2-dev libgl-dev
    libavformat-dev libavcodec-dev libswscale-dev libswresample-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth libgl1-mesa-dri xdotool imagemagick lzop python3 ffmpeg zenity sox
    clang libclang-rt-14-dev
)
# The browser build and its test: "scripts/install-deps.sh web" adds these.
if [ "${1:-}" = web ]; then
    packages+=(emscripten nodejs chromium python3-websocket dpkg-dev)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
