# tarvok_add_game(NAME SOURCES file... DATA folder [DEPENDS target...])
#
# Builds the game program NAME from SOURCES, linked with Tarvok::engine, and at every build:
#   - copies every file of the DATA folder beside the program (the engine looks data up there), and
#   - makes NAME-onefile beside it: the program with the DATA folder packed behind it, a game that runs
#     from any folder with no files beside it (made with the packing tool, Tarvok::tarvok-pack).
# DATA may be a source folder or a folder that other build steps fill; name those steps' targets in
# DEPENDS so that they run first. Subfolders of DATA are copied as they are but packed flat (a packed
# file is found by its name alone), so keep data file names unique.
#
# In the engine's browser build (scripts/build-web.sh) the game becomes a page instead: NAME.html,
# NAME.js, NAME.wasm and NAME.data with the DATA folder preloaded.
#
# Works in the engine's tree and with the installed package (find_package(Tarvok) includes this file):
#   find_package(Tarvok REQUIRED)
#   tarvok_add_game(my-game SOURCES main.cpp DATA ${CMAKE_CURRENT_SOURCE_DIR}/data)
function(tarvok_add_game name)
    cmake_parse_arguments(ARG "" "DATA" "SOURCES;DEPENDS" ${ARGN})
    if(NOT ARG_SOURCES OR NOT ARG_DATA)
        message(FATAL_ERROR "tarvok_add_game(${name}): SOURCES and DATA are required")
    endif()
    get_filename_component(data "${ARG_DATA}" ABSOLUTE)
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Tarvok::engine)
    if(COMMAND tarvok_web_game)  # the browser build: a page with the data preloaded, no one-file program
        if(ARG_DEPENDS)
            add_dependencies(${name} ${ARG_DEPENDS})
        endif()
        tarvok_web_game(${name} ${data})
        return()
    endif()

    # Copying and packing run at every build: data made at build time cannot be listed beforehand, and
    # both are quick for a game's data.
    add_custom_target(${name}_data ALL
        COMMAND ${CMAKE_COMMAND} -E copy_directory ${data} $<TARGET_FILE_DIR:${name}>
        COMMENT "Copying the data of ${name}")
    if(ARG_DEPENDS)
        add_dependencies(${name}_data ${ARG_DEPENDS})
    endif()
    add_dependencies(${name} ${name}_data)

    add_custom_target(${name}_onefile ALL
        COMMAND $<TARGET_FILE:Tarvok::tarvok-pack> --quiet --program $<TARGET_FILE:${name}>
                $<TARGET_FILE_DIR:${name}>/${name}-onefile ${data}
        COMMENT "Packing ${name} into one file")
    add_dependencies(${name}_onefile ${name})
endfunction()
