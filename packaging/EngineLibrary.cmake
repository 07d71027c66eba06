# The engine for other programs: the shared object for users of programs built with it; the
# headers, the link name, a static library, the CMake package and ravlin.pc for developers.

# The static library is built from the engine's objects (those of the shared library) with the
# shared library's public headers, so `-static` builds and Ravlin::engine_static get the same
# interface as the shared one.
get_target_property(engine_sources ravlin_engine SOURCES)
get_target_property(engine_header_dirs ravlin_engine_shared HEADER_DIRS)
get_target_property(engine_headers ravlin_engine_shared HEADER_SET)
add_library(ravlin_engine_static STATIC ${engine_sources})
target_sources(ravlin_engine_static PUBLIC
  FILE_SET HEADERS BASE_DIRS ${engine_header_dirs} FILES ${engine_headers})
# As for the shared library: C callers need no C++ standard, and the engine's C++ interface
# (engine/internal) serves its own sources only.
target_compile_features(ravlin_engine_static PRIVATE cxx_std_20)
target_include_directories(ravlin_engine_static PRIVATE ${PROJECT_SOURCE_DIR}/engine/internal)
set_target_properties(ravlin_engine_static PROPERTIES OUTPUT_NAME ravlin EXPORT_NAME engine_static)
ravlin_warnings(ravlin_engine_static)

install(TARGETS ravlin_engine_shared EXPORT RavlinTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library
                NAMELINK_COMPONENT development
        FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
install(TARGETS ravlin_engine_static EXPORT RavlinTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
        FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)

set(cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Ravlin)
install(EXPORT RavlinTargets NAMESPACE Ravlin:: DESTINATION ${cmake_dir} COMPONENT development)
include(CMakePackageConfigHelpers)
configure_package_config_file(RavlinConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/RavlinConfig.cmake INSTALL_DESTINATION ${cmake_dir})
# Within one major version the library keeps its interface (and its soname).
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/RavlinConfigVersion.cmake
  VERSION ${RAVLIN_PACKAGE_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/RavlinConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/RavlinConfigVersion.cmake
        DESTINATION ${cmake_dir} COMPONENT development)

# ravlin.pc is written when it is installed, since only then is the prefix known.
install(CODE "
  include(${CMAKE_CURRENT_SOURCE_DIR}/WritePkgConfig.cmake)
  ravlin_write_pkg_config(${CMAKE_CURRENT_SOURCE_DIR}/ravlin.pc.in
    ${CMAKE_CURRENT_BINARY_DIR}/pkgconfig ${CMAKE_INSTALL_LIBDIR} ${CMAKE_INSTALL_INCLUDEDIR}
    ${RAVLIN_PACKAGE_VERSION})"
  COMPONENT development)
