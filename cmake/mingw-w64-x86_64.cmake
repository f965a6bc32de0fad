# Cross-compiles the same sources as a 64-bit Windows console program with MinGW-w64 (Debian:
# g++-mingw-w64-x86-64), for machines that cannot run 32-bit programs. Tests run under Wine's
# 64-bit loader (Debian: wine64, which puts it at /usr/lib/wine/wine64).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_PREFIX x86_64-w64-mingw32)
find_program(DSKPICK_WINE NAMES wine64 PATHS /usr/lib/wine
             DOC "Wine loader that runs the cross-built tests")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
