#!/usr/bin/env bash
# Builds the libraries the browser build links (SDL2, SDL2_mixer, zlib, libpng, lzo2) with emscripten from
# Debian's source packages, into a cache outside the tree; a library already built is not built again.
#   scripts/web-deps.sh [CACHE]     CACHE defaults to ~/.cache/tarvok-web; prints nothing when all are there
set -euo pipefail

cache=${1:-${TARVOK_WEB_CACHE:-$HOME/.cache/tarvok-web}}
prefix=$cache/prefix
src=$cache/src
mkdir -p "$prefix" "$src"
jobs=$(nproc)

# Debian's node wants its own module folder; emcc runs its tools with it.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

# apt-get source needs a deb-src entry: derived from the machine's own entry, kept in a file of its own.
ensure_sources() {
    local list=/etc/apt/sources.list.d/tarvok-web-src.sources
    [ -f "$list" ] && return
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    sed -n '/^Types:/,/^$/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null \
        | sed 's/^Types:.*/Types: deb-src/' | $sudo tee "$list" >/dev/null
    [ -s "$list" ] || { echo "no apt source entry to derive a deb-src entry from" >&2; exit 1; }
    $sudo apt-get update -qq
}

# Unpacks the original source of a Debian source package once; prints its folder.
unpack() {
    local pkg=$1 dir
    dir=$(find "$src" -maxdepth 1 -mindepth 1 -type d -name "${2}*" | head -n1)
    if [ -z "$dir" ]; then
        ensure_sources
        (cd "$src" && apt-get source -qq --download-only "$pkg" >/dev/null 2>&1)
        local orig
        orig=$(find "$src" -maxdepth 1 -name "${pkg%%/*}_*.orig.tar.*" | head -n1)
        tar -xf "$orig" -C "$src"
        dir=$(find "$src" -maxdepth 1 -mindepth 1 -type d -name "${2}*" | head -n1)
    fi
    echo "$dir"
}

# Configures, builds and installs one CMake project into the prefix, unless its stamp is there.
cmake_lib() {
    local name=$1 dir=$2
    shift 2
    [ -f "$prefix/.$name.done" ] && return
    echo "== web dependency: $name"
    emcmake cmake -S "$dir" -B "$cache/build-$name" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" \
        "$@" >"$cache/build-$name.log" 2>&1
    nice cmake --build "$cache/build-$name" -j "$jobs" >>"$cache/build-$name.log" 2>&1
    cmake --install "$cache/build-$name" >>"$cache/build-$name.log" 2>&1
    touch "$prefix/.$name.done"
}

# Compiles a library's C files with emcc into PREFIX/lib/libNAME.a, unless its stamp is there.
c_lib() {
    local name=$1 dir=$2 cflags=$3
    shift 3
    [ -f "$prefix/.$name.done" ] && return
    echo "== web dependency: $name"
    local obj=$cache/build-$name
    rm -rf "$obj" && mkdir -p "$obj" "$prefix/lib"
    (cd "$dir" && printf '%s\n' "$@" | nice xargs -P "$jobs" -I{} sh -c \
        "emcc -O2 $cflags -c {} -o '$obj'/\$(basename {} .c).o")
    emar rcs "$prefix/lib/lib$name.a" "$obj"/*.o
    touch "$prefix/.$name.done"
}

zlib=$(unpack zlib/bookworm zlib-)
cp "$zlib/zconf.h.in" "$zlib/zconf.h"
c_lib z "$zlib" "-DHAVE_UNISTD_H" adler32.c compress.c crc32.c deflate.c gzclose.c gzlib.c gzread.c gzwrite.c infback.c \
    inffast.c inflate.c inftrees.c trees.c uncompr.c zutil.c
install -Dm644 -t "$prefix/include" "$zlib/zlib.h" "$zlib/zconf.h"

lzo=$(unpack lzo2 lzo-)
c_lib lzo2 "$lzo" "-I$lzo/include" $(cd "$lzo" && ls src/*.c)
mkdir -p "$prefix/include/lzo" && cp "$lzo"/include/lzo/*.h "$prefix/include/lzo/"

png=$(unpack libpng1.6/bookworm libpng-)
cp "$png/scripts/pnglibconf.h.prebuilt" "$png/pnglibconf.h"
c_lib png16 "$png" "-I$prefix/include" png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c pngrio.c \
    pngrtran.c pngrutil.c pngset.c pngtrans.c pngwio.c pngwrite.c pngwtran.c pngwutil.c
install -Dm644 -t "$prefix/include" "$png/png.h" "$png/pngconf.h" "$png/pnglibconf.h"
ln -sf libpng16.a "$prefix/lib/libpng.a"

cmake_lib sdl2 "$(unpack libsdl2 SDL2-)" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF
# The engine parses WAV itself and plays music through the mixer: WAV is the one format needed.
cmake_lib sdl2-mixer "$(unpack libsdl2-mixer SDL2_mixer-)" -DBUILD_SHARED_LIBS=OFF -DSDL2MIXER_SAMPLES=OFF \
    -DSDL2MIXER_CMD=OFF -DSDL2MIXER_FLAC=OFF -DSDL2MIXER_MOD=OFF -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_MP3=OFF \
    -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_VORBIS=OFF -DSDL2MIXER_WAVE=ON -DSDL2MIXER_DEPS_SHARED=OFF

# pkg-config files for the libraries built without their own build system's install.
pc() {
    printf 'prefix=%s\nName: %s\nDescription: %s\nVersion: %s\nRequires: %s\nLibs: -L${prefix}/lib %s\nCflags: -I${prefix}/include %s\n' \
        "$prefix" "$1" "$1" "$2" "$3" "$4" "$5" >"$prefix/lib/pkgconfig/$1.pc"
}
mkdir -p "$prefix/lib/pkgconfig"
pc libpng 1.6 "" "-lpng16 -lz" ""
pc zlib 1.2 "" "-lz" ""
pc lzo2 2.10 "" "-llzo2" ""
pc SDL2_mixer 2.6 sdl2 "-lSDL2_mixer" "-I\${prefix}/include/SDL2"
