# GoogleTest and GoogleMock compiled with this project's compiler from a source tree (Debian's
# package googletest puts one in /usr/src/googletest), for builds where the installed libraries
# do not fit: a cross build needs them for the target processor.

if(NOT EXISTS ${RAVLIN_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "RAVLIN_GTEST_SOURCE_DIR=${RAVLIN_GTEST_SOURCE_DIR} holds no GoogleTest "
    "sources (on Debian: apt-get install googletest)")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "GoogleTest built for the tests only, not installed" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "GoogleMock as well (the command-line tests use it)" FORCE)
# SYSTEM: its headers are outside the project's warning set, as installed ones would be.
add_subdirectory(${RAVLIN_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# GoogleTest's own build names its libraries GTest::gtest, GTest::gmock and so on.
foreach(library gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${library})
    message(FATAL_ERROR "GoogleTest from ${RAVLIN_GTEST_SOURCE_DIR} made no GTest::${library}")
  endif()
endforeach()
set(GTest_FOUND TRUE)
