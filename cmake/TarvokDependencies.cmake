# The libraries the engine is built on, found as imported targets. The engine's tree and the installed
# package (TarvokConfig.cmake) both include this file, so the targets that the engine's libraries link
# carry the same names in both places.
find_package(PkgConfig REQUIRED)
if(NOT EMSCRIPTEN)  # the browser build's GL is WebGL, set up by Web.cmake
    find_package(OpenGL REQUIRED)
endif()
find_package(Threads REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(SDL2_MIXER REQUIRED IMPORTED_TARGET SDL2_mixer)
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
if(TARVOK_VIDEO OR NOT DEFINED TARVOK_VIDEO)  # video is played through FFmpeg unless it is left out
    pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libavformat libavcodec libswscale libswresample libavutil)
endif()

# LZO has no CMake or pkg-config target of its own everywhere: one is made from the library and header.
find_library(LZO2_LIBRARY NAMES lzo2 REQUIRED)
find_path(LZO2_INCLUDE_DIR NAMES lzo/lzo1x.h REQUIRED)
if(NOT TARGET Tarvok::lzo2)
    add_library(Tarvok::lzo2 UNKNOWN IMPORTED)
    set_target_properties(Tarvok::lzo2 PROPERTIES
        IMPORTED_LOCATION ${LZO2_LIBRARY}
        INTERFACE_INCLUDE_DIRECTORIES ${LZO2_INCLUDE_DIR})
endif()
