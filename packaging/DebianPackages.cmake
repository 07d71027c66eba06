# `cmake --build BUILD --target package`: the Debian packages, made by debian/build-packages.sh
# from this build's install components with dpkg's own tools (see that script).
configure_file(debian/changelog.in ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog @ONLY)

add_custom_target(package
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/debian/build-packages.sh
          ${PROJECT_BINARY_DIR} ${CMAKE_CURRENT_BINARY_DIR}/debian/changelog ${PROJECT_BINARY_DIR}
  COMMENT "Making the Debian packages"
  USES_TERMINAL
  VERBATIM)
add_dependencies(package ravlin-cli ravlin-man-pages ravlin_engine_shared ravlin_engine_static)
if(TARGET ravlin)
  add_dependencies(package ravlin)
endif()
