# What the MinGW-w64 toolchain files share: Debian's -posix compilers for
# POPQUELL_MINGW_TRIPLET, the ones with std::thread and std::mutex, and the
# libraries and headers of that target only.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${POPQUELL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${POPQUELL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${POPQUELL_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${POPQUELL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
