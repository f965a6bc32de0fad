# The part of the MinGW-w64 cross builds that both Windows targets share; the toolchain files set
# MINGW_PREFIX and CMAKE_SYSTEM_PROCESSOR, then include this. Executables are linked statically,
# so they run on a bare Windows without extra DLLs.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model gives the full C++ thread library, which GoogleTest may use; the C
# compiler is there for GoogleTest, whose project enables C.
find_program(CMAKE_C_COMPILER NAMES ${MINGW_PREFIX}-gcc-posix ${MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${MINGW_PREFIX}-g++-posix ${MINGW_PREFIX}-g++ REQUIRED)
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests run under Wine when the loader given here is installed; building needs no Wine, since
# tests are listed when they run.
if(DSKPICK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${DSKPICK_WINE})
endif()
