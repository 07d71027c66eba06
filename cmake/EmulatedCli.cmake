# ravlin-cli in a cross build, whose programs run here only under an emulator
# (CMAKE_CROSSCOMPILING_EMULATOR: qemu-aarch64 for arm64, cmake/wine-run.sh for Windows). CTest starts each test program through the
# emulator itself; this covers ravlin-cli when another program starts it.
#
# The kernel cannot start a binary for another processor without a binfmt_misc entry, which a
# container rarely has, so /bin/sh, /usr/bin/time, help2man or a test spawning ravlin-cli would
# fail. They start RAVLIN_EMULATED_CLI instead: a script that runs ravlin-cli under the emulator,
# in the same process, so that signals sent to it reach ravlin-cli.
if(NOT TARGET ravlin-cli)
  return()
endif()
list(JOIN CMAKE_CROSSCOMPILING_EMULATOR "\" \"" emulator)
set(RAVLIN_EMULATED_CLI ${CMAKE_BINARY_DIR}/emulated/ravlin-cli)
file(GENERATE OUTPUT ${RAVLIN_EMULATED_CLI}
  CONTENT "#!/bin/sh\n# ravlin-cli, built for ${CMAKE_SYSTEM_PROCESSOR}, run under the emulator.\nexec \"${emulator}\" \"$<TARGET_FILE:ravlin-cli>\" \"$@\"\n"
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                   WORLD_READ WORLD_EXECUTE)

# The command-line tests spawn the program named by RAVLIN_CLI_PATH.
if(TARGET cli_tests)
  get_target_property(definitions cli_tests COMPILE_DEFINITIONS)
  list(FILTER definitions EXCLUDE REGEX "^RAVLIN_CLI_PATH=")
  get_target_property(original cli_tests COMPILE_DEFINITIONS)
  if(definitions STREQUAL original)
    message(FATAL_ERROR "cli_tests no longer names the program in RAVLIN_CLI_PATH: "
      "point it at ${RAVLIN_EMULATED_CLI} in a cross build")
  endif()
  list(APPEND definitions "RAVLIN_CLI_PATH=\"${RAVLIN_EMULATED_CLI}\"")
  set_property(TARGET cli_tests PROPERTY COMPILE_DEFINITIONS "${definitions}")
endif()
