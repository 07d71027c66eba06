# `cmake --build BUILD --target package`: the Debian packages, made by debian/build-packages.sh
# from this build's install components with dpkg's own tools (see that script).
configure_file(debian/changelog.in ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog @ONLY)
# A cross build names the packages it makes (the arm64 build: the library and the command line);
# the architecture comes from the toolchain's multiarch triplet and its strip does the stripping.
set(RAVLIN_DEB_PACKAGES "libravlin1;ravlin-cli;ravlin;ravlin-dev;python3-ravlin" CACHE STRING
    "The Debian packages that the package target makes")
if(NOT CMAKE_LIBRARY_ARCHITECTURE)
  message(FATAL_ERROR "The Debian packages need the multiarch triplet (CMAKE_LIBRARY_ARCHITECTURE)")
endif()
find_program(RAVLIN_STRIP NAMES ${CMAKE_STRIP} strip REQUIRED)

add_custom_target(package
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/debian/build-packages.sh
          ${PROJECT_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog ${PROJECT_BINARY_DIR}
          ${CMAKE_LIBRARY_ARCHITECTURE} ${RAVLIN_STRIP} ${RAVLIN_DEB_PACKAGES}
  COMMENT "Making the Debian packages"
  USES_TERMINAL
  VERBATIM)
add_dependencies(package ravlin-cli ravlin-man-pages ravlin_engine_shared ravlin_engine_static)
if(TARGET ravlin)
  add_dependencies(package ravlin)
endif()
