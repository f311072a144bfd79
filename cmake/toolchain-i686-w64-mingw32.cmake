# Cross build for 32-bit Windows with Debian's mingw-w64 (g++-mingw-w64-i686).
# Every program is linked statically, so it needs nothing but Windows. Test
# programs run under Wine when it is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(KERBCALL_MINGW_PREFIX i686-w64-mingw32)
# The posix thread model gives std::thread and std::mutex; winpthread is
# linked statically like the C++ runtime.
set(CMAKE_C_COMPILER ${KERBCALL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KERBCALL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KERBCALL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KERBCALL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(KERBCALL_WINE wine)
if(KERBCALL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KERBCALL_WINE})
endif()
# Tests are listed when ctest runs, so that building needs no Wine.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
