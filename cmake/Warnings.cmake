# Warnings for every target of the project: kerbcall_warnings(target).
set(KERBCALL_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual)
# GCC 12 reports string concatenations at -O2 and above as overlapping
# copies (-Wrestrict false positives in libstdc++'s own code).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  list(APPEND KERBCALL_WARNINGS -Wno-restrict)
endif()
option(KERBCALL_WARNINGS_AS_ERRORS "Treat warnings as errors" ON)

# C++ only: the Windows programs' resource compiler takes none of them.
function(kerbcall_warnings target)
  target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:${KERBCALL_WARNINGS}>")
  if(KERBCALL_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Werror>)
  endif()
endfunction()

