# `cmake --install`: one component per audience.
#   runtime      libtovik.so.1 (the library and its soname link)
#   development  the public headers, the libtovik.so link, tovik.pc and the
#                CMake package (find_package(tovik 1), target tovik::tovik)
#   errors       the error-description files, below the shared directory
#                (src/status/CMakeLists.txt)
#   simulator    the simulated generator plugins     lib/tovik/simulator
#   standins     the stand-in platform libraries     lib/tovik/standins
#   tools        tovik-error and tovik-plot          bin
# The plugins and stand-ins live in folders of their own so that they never
# take the place of a real platform by accident: a program that wants them
# puts their folder on its library path. Installed binaries carry no run
# path into the build tree.
include(CMakePackageConfigHelpers)

set(TOVIK_INSTALL_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/tovik)
set(TOVIK_INSTALL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tovik)

install(TARGETS tovik EXPORT tovikTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
                COMPONENT runtime NAMELINK_COMPONENT development)
list(TRANSFORM TOVIK_PUBLIC_HEADERS PREPEND ${TOVIK_PUBLIC_HEADER_DIR}/
     OUTPUT_VARIABLE tovik_public_header_files)
install(FILES ${tovik_public_header_files}
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tovik COMPONENT development)

# pkg-config: the prefix is found from the file's own place, so an install
# with --prefix somewhere else is still right.
file(RELATIVE_PATH TOVIK_PC_PREFIX_FROM_PCFILEDIR /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${CMAKE_SOURCE_DIR}/cmake/tovik.pc.in ${CMAKE_BINARY_DIR}/tovik.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/tovik.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

install(EXPORT tovikTargets NAMESPACE tovik:: FILE tovikTargets.cmake
        DESTINATION ${TOVIK_INSTALL_CMAKE_DIR} COMPONENT development)
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/tovikConfig.cmake.in
  ${CMAKE_BINARY_DIR}/tovikConfig.cmake INSTALL_DESTINATION ${TOVIK_INSTALL_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/tovikConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/tovikConfig.cmake ${CMAKE_BINARY_DIR}/tovikConfigVersion.cmake
        DESTINATION ${TOVIK_INSTALL_CMAKE_DIR} COMPONENT development)

install(TARGETS simulator_PAL simulator_Harbor
        LIBRARY DESTINATION ${TOVIK_INSTALL_PACKAGE_DIR}/simulator COMPONENT simulator)
# With their soname links: the driver loads them by those names.
install(TARGETS ivi_standin vosysapi SnooprLog vorelocations_standin voxlator_standin
        LIBRARY DESTINATION ${TOVIK_INSTALL_PACKAGE_DIR}/standins COMPONENT standins
                NAMELINK_SKIP)
