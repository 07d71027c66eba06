# Windows on x86-64, built with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix). The programs and
# tests it builds run here under Wine (wine64), which CTest puts in front of each of them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RAVLIN_MINGW_TRIPLE x86_64-w64-mingw32)
# The posix flavour: std::thread and std::mutex need its threads, which the win32 one lacks.
set(CMAKE_C_COMPILER ${RAVLIN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RAVLIN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${RAVLIN_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RAVLIN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Wine with its own prefix inside the build folder, no display and no first-run dialogs.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../wine-run.sh ${CMAKE_BINARY_DIR}/wine-prefix)

# The C++ runtime and the thread library go into each program and into ravlin.dll, which then
# need no DLL besides Windows' own.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -static)
