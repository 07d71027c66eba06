# Writes ravlin.pc at install time, for the prefix given to `cmake --install`.
# Under /usr it names its folders plainly, as the system's own .pc files do: pkg-config then
# recognises them as system folders and leaves out -L/usr/lib/<triplet> and -I/usr/include,
# which would otherwise come before a program's own -L and pick the system's copy of any other
# library it links. Under any other prefix it finds its folders from its own place, so an
# installed tree still works after being moved.
function(ravlin_write_pkg_config template work_dir libdir includedir version)
  if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    set(RAVLIN_PC_PREFIX /usr)
  else()
    file(RELATIVE_PATH up /prefix/${libdir}/pkgconfig /prefix)
    string(REGEX REPLACE "/$" "" up "${up}")
    set(RAVLIN_PC_PREFIX "\${pcfiledir}/${up}")
  endif()
  set(RAVLIN_PC_LIBDIR ${libdir})
  set(RAVLIN_PC_INCLUDEDIR ${includedir})
  set(RAVLIN_PC_VERSION ${version})
  configure_file(${template} ${work_dir}/ravlin.pc @ONLY)
  file(INSTALL ${work_dir}/ravlin.pc DESTINATION ${CMAKE_INSTALL_PREFIX}/${libdir}/pkgconfig)
endfunction()
