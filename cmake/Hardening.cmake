# The hardening Debian builds its packages with (what `dpkg-buildflags` gives with
# hardening=+all): checked buffer functions, stack protection and a read-only relocation table
# bound at start-up. Debian's compilers already make position-independent executables by
# default. It applies to every target, so the tests run the code that ships. The sanitizer
# builds bring their own checks and leave it out.
option(RAVLIN_HARDENING "Build with fortified functions, stack protection and full RELRO" ON)
if(RAVLIN_HARDENING AND NOT RAVLIN_SANITIZE)
  # The checked functions need the optimiser; unoptimised builds would only get a warning.
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  add_compile_options(-fstack-protector-strong)
  # RELRO is an ELF feature: the PE linker for Windows refuses -z, and marks its programs for
  # address randomisation and no-execute data by default. mingw-w64 keeps the stack and buffer
  # checks in libssp, which the driver links in only when the flag is given at link time too.
  if(WIN32)
    add_link_options(-fstack-protector-strong)
  else()
    add_link_options(LINKER:-z,relro LINKER:-z,now)
  endif()
endif()
