# A second compiler for the Windows build: Debian's clang targeting
# MinGW-w64 x64, with the headers and libraries of Debian's MinGW-w64 GCC.
# It catches code that only GCC accepts before a Windows contributor's
# compiler does. Builds popquell.exe; nothing here runs it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER clang)
set(CMAKE_C_COMPILER_TARGET ${_triple})
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET ${_triple})
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(CMAKE_SYSROOT /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# clang does not find the C++ library of Debian's GCC, whose folder is named
# "12-posix": ask that GCC where it is.
execute_process(COMMAND ${_triple}-g++-posix -print-libgcc-file-name
  OUTPUT_VARIABLE _libgcc OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0 OR NOT EXISTS "${_libgcc}")
  message(FATAL_ERROR "${_triple}-g++-posix is needed for its C++ library")
endif()
get_filename_component(_gcc "${_libgcc}" DIRECTORY)
set(CMAKE_CXX_FLAGS_INIT "-nostdinc++ -isystem ${_gcc}/include/c++ -isystem ${_gcc}/include/c++/${_triple} -isystem ${_gcc}/include/c++/backward")
# lld takes libraries in any order, so winpthread (the -posix C++ library's
# threads) can be named up front. clang 14 and GCC 12's libstdc++ both emit
# std::type_info::operator==; this executable is only checked, never run, so
# the linker may take either.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -L${_gcc} -lpthread -Wl,--allow-multiple-definition -Wno-unused-command-line-argument")
