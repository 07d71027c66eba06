# Cross-building for 64-bit Arm Linux (aarch64) with Debian's GNU cross compilers
# (g++-aarch64-linux-gnu); what is built runs on this machine under qemu-user (qemu-aarch64).

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# C only for GoogleTest, which is built from source for the target (RAVLIN_GTEST_SOURCE_DIR).
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# Libraries, headers and CMake packages come from the target's tree only, so that nothing built
# for this machine (the amd64 GoogleTest in /usr/lib, say) is picked up by mistake; the programs
# run during the build (help2man, gzip) are this machine's own.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs (and the test listing that gtest_discover_tests does at build time) run through
# the user-mode emulator, which finds the target's loader and C library under -L.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/aarch64-linux-gnu)
