#!/usr/bin/env bash
# Installs the engine from BUILD_DIR into a temporary prefix and uses it as a game maker would: a game
# from scripts/new-game.sh built with find_package(Tarvok), a small program built through pkg-config, and
# the new game played headless for a few frames with the arrows held, its last picture checked.
#   tests/install/check_install.sh [BUILD_DIR]    (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
fail() { echo "$1" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

echo "== A new game, built with find_package(Tarvok)"
scripts/new-game.sh walker "$work/walker"
cmake -S "$work/walker" -B "$work/walker/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/walker/build"

echo "== A program built through pkg-config"
cat > "$work/hello.cpp" <<'CPP'
#include "engine/engine.h"
#include "gfx2d/gfx2d.h"
int main(int argc, char** argv) {
    ProgramMain(argc, argv, "hello", [] { PrintText("Hello", 8, 8); ShowScreen(); EndProgram(); });
}
CPP
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
# shellcheck disable=SC2046  # the flags are meant to be split
g++ -std=c++17 -o "$work/hello" "$work/hello.cpp" $(pkg-config --cflags --libs tarvok)

echo "== The new game, played headless"
# Right held from frame 5 to 25, down from 10 to 20, Esc at 31 (no picture 40); at most 50 frames.
mkdir "$work/shots"
printf '5 down 205\n10 down 208\n20 up 208\n25 up 205\n31 down 1\n' > "$work/keys.txt"
(cd "$work" && TARVOK_KEYS=keys.txt TARVOK_FRAMES=50 TARVOK_SHOTS=30,40 TARVOK_SHOTDIR=shots \
    TARVOK_UNPACED=1 TARVOK_NONINTERACTIVE=1 SDL_AUDIODRIVER=dummy \
    "$OLDPWD/scripts/with-display.sh" walker/build/walker > out.txt) || fail "the game ended with status $?"
grep -qx 'Init OK' "$work/out.txt" || fail "the game did not print Init OK"
[ ! -e "$work/shots/frame-000040.png" ] || fail "Esc did not end the game"
python3 tests/install/check_walk_shot.py "$work/walker" "$work/shots/frame-000030.png" 5 25 10 20
echo "== Install check passed"
