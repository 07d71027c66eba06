# Manual pages: ravlin-cli(1) is help2man's rendering of the built program's --help and --version
# plus hand-written sections, so the options listed are always the program's own; ravlin(1) is
# plain roff (the window takes no options to describe). Both are installed compressed, as Debian
# wants them, each with its own program.
find_program(RAVLIN_HELP2MAN help2man REQUIRED)
find_program(RAVLIN_GZIP gzip REQUIRED)
set(man_dir ${CMAKE_CURRENT_BINARY_DIR}/man)
configure_file(man/ravlin.1.in ${man_dir}/ravlin.1 @ONLY)
# In a cross build help2man runs the program through its emulator (cmake/EmulatedCli.cmake).
if(CMAKE_CROSSCOMPILING)
  set(help2man_cli ${RAVLIN_EMULATED_CLI})
else()
  set(help2man_cli $<TARGET_FILE:ravlin-cli>)
endif()
# help2man dates the page by SOURCE_DATE_EPOCH when it is set, else by today.
add_custom_command(
  OUTPUT ${man_dir}/ravlin-cli.1
  COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${RAVLIN_SOURCE_DATE_EPOCH}
          ${RAVLIN_HELP2MAN} --no-info --section=1
          --include=${CMAKE_CURRENT_SOURCE_DIR}/man/ravlin-cli.h2m
          --output=${man_dir}/ravlin-cli.1 ${help2man_cli}
  DEPENDS ravlin-cli ${CMAKE_CURRENT_SOURCE_DIR}/man/ravlin-cli.h2m
  COMMENT "Writing the manual page ravlin-cli(1)"
  VERBATIM)
set(man_pages)
foreach(page ravlin.1 ravlin-cli.1)
  add_custom_command(
    OUTPUT ${man_dir}/${page}.gz
    COMMAND ${RAVLIN_GZIP} -9 -n -k -f ${man_dir}/${page}
    DEPENDS ${man_dir}/${page}
    VERBATIM)
  list(APPEND man_pages ${man_dir}/${page}.gz)
endforeach()
add_custom_target(ravlin-man-pages ALL DEPENDS ${man_pages})
install(FILES ${man_dir}/ravlin-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT cli)
if(RAVLIN_BUILD_GUI)
  install(FILES ${man_dir}/ravlin.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT window)
endif()
