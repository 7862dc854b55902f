# Cross-compiling for 32-bit Windows (x86) with Debian's MinGW-w64, for the
# users on 32-bit Windows; ctest runs the test programs under Wine's 32-bit
# loader, in a 32-bit prefix.
set(POPQUELL_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run --win32)
