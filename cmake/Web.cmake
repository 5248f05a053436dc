# The browser build (emscripten): GL is WebGL through emscripten's emulation of the fixed-function
# pipeline, the libraries come from the cache that scripts/web-deps.sh fills (found through pkg-config),
# there are no tests, benchmarks, tools or video, and the game loop yields to the browser at every frame.
set(TARVOK_TESTS OFF CACHE BOOL "" FORCE)
set(TARVOK_BENCH OFF CACHE BOOL "" FORCE)
set(TARVOK_VIDEO OFF CACHE BOOL "" FORCE)

add_library(OpenGL::GL INTERFACE IMPORTED)

# Link options every browser program needs: the emulated GL, a loop that sleeps by unwinding to the
# browser (asyncify), a growing heap, sound resumed on the first user gesture, and the file system and
# environment reachable from the page.
set(TARVOK_WEB_LINK_OPTIONS
    -sLEGACY_GL_EMULATION=1 -sASYNCIFY=1 -sASYNCIFY_STACK_SIZE=65536 -sASYNCIFY_IMPORTS=[YieldToBrowser]
    -sALLOW_MEMORY_GROWTH=1
    -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${PROJECT_SOURCE_DIR}/platform/web/library_funcs.json
    -sEXPORTED_RUNTIME_METHODS=[FS,ENV] -sEXIT_RUNTIME=1
    -sFORCE_FILESYSTEM=1)

# Makes a game program a page: NAME.js, NAME.wasm and NAME.data (the files of data_dir, seen by the game
# in its own folder, "/") in the build tree's root, with NAME.html that starts it. The files named after
# data_dir are the data files that relink the page when they change.
function(tarvok_web_game target data_dir)
    set_target_properties(${target} PROPERTIES SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
    target_link_options(${target} PRIVATE ${TARVOK_WEB_LINK_OPTIONS} "SHELL:--preload-file ${data_dir}@/")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${ARGN}")
    configure_file(${PROJECT_SOURCE_DIR}/platform/web/index.html ${PROJECT_BINARY_DIR}/${target}.html @ONLY)
endfunction()

# The pieces of the C++20 library that the toolchain's libc++ lacks.
add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:SHELL:-include ${PROJECT_SOURCE_DIR}/platform/web/libcxx_compat.h>")
