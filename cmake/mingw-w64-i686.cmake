# Cross-compiles for the 32-bit Windows console, the tool's home platform, with MinGW-w64
# (Debian: g++-mingw-w64-i686). Tests run under Wine's 32-bit loader (Debian: wine, wine32:i386).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_PREFIX i686-w64-mingw32)
find_program(DSKPICK_WINE NAMES wine DOC "Wine loader that runs the cross-built tests")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
