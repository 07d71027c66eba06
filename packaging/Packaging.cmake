# `make package`: two Debian packages from one install.
#   ravlin      the window, ravlin-cli, manual pages, completion and libravlin.so.1, which
#               programs built against the engine need at run time;
#   ravlin-dev  the headers, the libravlin.so link name, the CMake package and ravlin.pc.
# The development files are a package of their own, as Debian keeps them: people who only pack
# graphics get no headers, and `apt install ./ravlin_*.deb` needs nothing but Debian's archive.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ravlin)
set(CPACK_PACKAGE_VERSION ${RAVLIN_PACKAGE_VERSION})
set(CPACK_PACKAGE_VENDOR "Ravlin developers")
set(CPACK_PACKAGE_CONTACT "Ravlin developers <ravlin@example.org>")
# Each package's description below starts with its own synopsis. The DEB generator would put the
# project's summary above it unless the summary is CPack's default, so it is set to that.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_PROJECT_NAME} built using CMake")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime development)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Run-time dependencies come from dpkg-shlibdeps, and the package states what libravlin.so.1
# needs of it (a shlibs file and the ldconfig trigger).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# dpkg runs ldconfig through this trigger, as Debian wants; CPack's own postinst and postrm call
# it as well (redundant and harmless; lintian warns about it).
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/debian/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ravlin)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "run-length packer for raw graphics data
Ravlin packs and unpacks raw graphics data of 1 to 15 bits per pixel with a
plain run-length code: method I works on bytes, method II on 16-bit words.
This package holds the window ravlin, the command-line tool ravlin-cli for
build pipelines, their manual pages, shell completion and the engine library.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME ravlin-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "ravlin (= ${RAVLIN_PACKAGE_VERSION})")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "run-length packer for raw graphics data - development files
The C++20 headers of the Ravlin engine (memory and streaming packing and
unpacking, the host interface, the error type and the naming rule), with a
CMake package (find_package(Ravlin), target Ravlin::engine) and ravlin.pc.")

include(CPack)
