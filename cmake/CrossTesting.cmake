# Test set-up for a cross build whose programs run under an emulator
# (CMAKE_CROSSCOMPILING_EMULATOR, e.g. qemu-aarch64). CTest already starts each test program
# through the emulator; this covers the programs that the tests themselves start.

# The command-line tests spawn ravlin-cli, directly and from /bin/sh and /usr/bin/time, all of
# which are this machine's own programs: the kernel cannot run a binary for another processor
# (without a binfmt_misc entry, which a container rarely has). They start this script instead,
# which puts the emulator in front. It keeps the process: signals sent to it reach ravlin-cli.
if(TARGET cli_tests)
  list(JOIN CMAKE_CROSSCOMPILING_EMULATOR "\" \"" emulator)
  set(wrapper ${CMAKE_BINARY_DIR}/emulated/ravlin-cli)
  file(GENERATE OUTPUT ${wrapper}
    CONTENT "#!/bin/sh\n# ravlin-cli, built for ${CMAKE_SYSTEM_PROCESSOR}, run under the emulator.\nexec \"${emulator}\" \"$<TARGET_FILE:ravlin-cli>\" \"$@\"\n"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                     WORLD_READ WORLD_EXECUTE)

  get_target_property(definitions cli_tests COMPILE_DEFINITIONS)
  list(FILTER definitions EXCLUDE REGEX "^RAVLIN_CLI_PATH=")
  get_target_property(original cli_tests COMPILE_DEFINITIONS)
  if(definitions STREQUAL original)
    message(FATAL_ERROR "cli_tests no longer names the program in RAVLIN_CLI_PATH: "
      "point it at ${wrapper} in a cross build")
  endif()
  list(APPEND definitions "RAVLIN_CLI_PATH=\"${wrapper}\"")
  set_property(TARGET cli_tests PROPERTY COMPILE_DEFINITIONS "${definitions}")
endif()
