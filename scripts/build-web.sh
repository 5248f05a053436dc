#!/usr/bin/env bash
# Builds the engine and the demo for the browser (WebAssembly + WebGL) into build-web/: tarvok-demo.html,
# tarvok-demo.js, .wasm and .data. The libraries it links are built once into ~/.cache/tarvok-web.
#   scripts/build-web.sh            then scripts/serve-web.sh and open the address it prints
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh web
cache=${TARVOK_WEB_CACHE:-$HOME/.cache/tarvok-web}
scripts/web-deps.sh "$cache"

export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
export PKG_CONFIG_PATH=$cache/prefix/lib/pkgconfig
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache}
export CCACHE_BASEDIR=$PWD
export CCACHE_NOHASHDIR=1
emcmake cmake -S . -B build-web -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_FIND_ROOT_PATH="$cache/prefix" \
    -DCMAKE_PREFIX_PATH="$cache/prefix" >/dev/null
nice cmake --build build-web -j "$(nproc)" --target tarvok-demo
echo "Built build-web/tarvok-demo.html: serve it with scripts/serve-web.sh"
