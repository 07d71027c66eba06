# Every target of the project compiles with the same strict warning set.
function(ravlin_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
  if(RAVLIN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
