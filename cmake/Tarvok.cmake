# Helpers shared by the folders' CMake files.

# tarvok_library(NAME SOURCES... [DEPS targets...]): one static library per engine folder.
# The repository root is the include root, so headers are included as "folder/file.h"; installed, the
# same folders sit under include/tarvok/, so a game includes them the same way in and out of the tree.
function(tarvok_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
                                              $<INSTALL_INTERFACE:include/tarvok>)
    if(ARG_DEPS)
        target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    endif()
endfunction()

# tarvok_test(NAME SOURCES... [DEPS targets...] [DISPLAY] [TIMEOUT s]): a GoogleTest program.
# DISPLAY marks tests that need a real window (run under Xvfb, label "display"); the others run with
# SDL's dummy drivers and form the "nodisplay" label that the sanitizer build runs.
function(tarvok_test name)
    cmake_parse_arguments(ARG "DISPLAY" "TIMEOUT" "SOURCES;DEPS" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    if(ARG_DISPLAY)
        target_link_libraries(${name} PRIVATE tarvok_test_main_display ${ARG_DEPS})
    else()
        target_link_libraries(${name} PRIVATE tarvok_test_main ${ARG_DEPS})
    endif()
    target_compile_definitions(${name} PRIVATE TARVOK_TEST_BINARY_DIR="${PROJECT_BINARY_DIR}"
                                               TARVOK_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    if(ARG_DISPLAY)
        set(label display)
    else()
        set(label nodisplay)
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        PROPERTIES LABELS ${label} TIMEOUT ${ARG_TIMEOUT})
endfunction()
