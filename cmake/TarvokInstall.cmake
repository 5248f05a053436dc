# What `cmake --install` puts in place:
#   include/tarvok/FOLDER/*.h       the public headers, in the same folders as in the tree
#   lib/libtarvok_*.a               the engine's libraries
#   bin/tarvok-pack                 the packing tool
#   lib/cmake/Tarvok/               the CMake package: find_package(Tarvok) gives Tarvok::engine,
#                                   Tarvok::tarvok-pack and tarvok_add_game()
#   lib/pkgconfig/tarvok.pc         the same for pkg-config: `pkg-config --cflags --libs tarvok`
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TARVOK_VERSION 0.1.0)

# The headers a game may include: each subsystem's command list and the headers those include.
set(TARVOK_PUBLIC_HEADERS
    platform/audio_format.h platform/joystick.h platform/window.h
    runtime/runtime.h runtime/rt_string.h runtime/rt_array.h runtime/number_args.h runtime/program_end.h
    runtime/engine_globals.h
    storage/storage.h path/path.h net/net.h host/host.h
    frame/frame.h frame/display.h frame/gl_extensions.h
    gfx2d/gfx2d.h input/input.h sound/sound.h gfx3d/gfx3d.h engine/engine.h engine/media.h)

# The engine's libraries: one per folder, lowest first (the demo's is not part of the engine).
set(TARVOK_ENGINE_LIBRARIES)
foreach(folder IN LISTS TARVOK_FOLDERS)
    if(TARGET tarvok_${folder} AND NOT folder STREQUAL "game")
        list(APPEND TARVOK_ENGINE_LIBRARIES tarvok_${folder})
    endif()
endforeach()

set(tarvok_include_dir ${CMAKE_INSTALL_INCLUDEDIR}/tarvok)
set(tarvok_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Tarvok)

install(TARGETS tarvok ${TARVOK_ENGINE_LIBRARIES} tarvok-pack EXPORT TarvokTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(header IN LISTS TARVOK_PUBLIC_HEADERS)
    get_filename_component(folder ${header} DIRECTORY)
    install(FILES ${header} DESTINATION ${tarvok_include_dir}/${folder})
endforeach()

install(EXPORT TarvokTargets NAMESPACE Tarvok:: DESTINATION ${tarvok_cmake_dir})
configure_package_config_file(cmake/TarvokConfig.cmake.in ${PROJECT_BINARY_DIR}/TarvokConfig.cmake
    INSTALL_DESTINATION ${tarvok_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TarvokConfigVersion.cmake
    VERSION ${TARVOK_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TarvokConfig.cmake ${PROJECT_BINARY_DIR}/TarvokConfigVersion.cmake
              cmake/TarvokDependencies.cmake cmake/TarvokGame.cmake
        DESTINATION ${tarvok_cmake_dir})

# pkg-config links the static libraries highest first, so each comes before the ones it uses.
set(TARVOK_PC_LIBS)
foreach(library IN LISTS TARVOK_ENGINE_LIBRARIES)
    list(PREPEND TARVOK_PC_LIBS -l${library})
endforeach()
list(JOIN TARVOK_PC_LIBS " " TARVOK_PC_LIBS)
# The .pc file finds the prefix from its own place, so an installed tree can be moved.
file(RELATIVE_PATH TARVOK_PC_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
string(REGEX REPLACE "/$" "" TARVOK_PC_PREFIX ${TARVOK_PC_PREFIX})
configure_file(cmake/tarvok.pc.in ${PROJECT_BINARY_DIR}/tarvok.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tarvok.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
