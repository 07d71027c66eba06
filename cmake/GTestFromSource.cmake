# GoogleTest and GoogleMock built from the sources Debian's libgtest-dev and libgmock-dev ship,
# for a cross build; they define the names find_package(GTest) gives. Sets GTest_FOUND.
set(RAVLIN_GTEST_SOURCE /usr/src/googletest)
if(EXISTS ${RAVLIN_GTEST_SOURCE}/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${RAVLIN_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  set(GTest_FOUND TRUE)
else()
  message(STATUS "No GoogleTest sources in ${RAVLIN_GTEST_SOURCE} for the cross build")
endif()
