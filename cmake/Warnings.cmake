# Warnings for every target of the project: kerbcall_warnings(target).
set(KERBCALL_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual)
option(KERBCALL_WARNINGS_AS_ERRORS "Treat warnings as errors" ON)

function(kerbcall_warnings target)
  target_compile_options(${target} PRIVATE ${KERBCALL_WARNINGS})
  if(KERBCALL_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
