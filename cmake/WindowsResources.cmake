# The resources of popquell.exe: the icon, built from the text pixel maps in
# res/ by res/make_icon.cpp; the version information, configured from
# res/version.rc.in; and the application manifest, res/popquell.manifest.
include_guard(GLOBAL)

# Include this file at the top level: a language is enabled only there.
enable_language(RC)

# make_icon has to run on the build machine. In a native build (MSVC, or
# MinGW on Windows) it is an ordinary target. When cross-compiling, the
# project's compiler makes programs the build machine cannot run, so the
# build machine's own C++ compiler builds it, outside the project's flags.
function(_popquell_icon_tool out_command out_depends)
  set(source ${PROJECT_SOURCE_DIR}/res/make_icon.cpp)
  if(NOT CMAKE_CROSSCOMPILING)
    if(NOT TARGET make_icon)
      add_executable(make_icon ${source})
    endif()
    set(${out_command} make_icon PARENT_SCOPE)
    set(${out_depends} make_icon PARENT_SCOPE)
    return()
  endif()
  find_program(POPQUELL_HOST_CXX NAMES c++ g++ clang++
    NO_CMAKE_FIND_ROOT_PATH
    DOC "C++ compiler of the build machine, for the tools run during the build")
  if(NOT POPQUELL_HOST_CXX)
    message(FATAL_ERROR "Cross-compiling needs a C++ compiler for the build "
      "machine to make the icon; set POPQUELL_HOST_CXX.")
  endif()
  set(tool ${CMAKE_BINARY_DIR}/host/make_icon${CMAKE_HOST_EXECUTABLE_SUFFIX})
  add_custom_command(
    OUTPUT ${tool}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
    COMMAND ${POPQUELL_HOST_CXX} -std=c++17 -O1 -Wall -Wextra -o ${tool} ${source}
    DEPENDS ${source}
    COMMENT "Building make_icon for the build machine"
    VERBATIM)
  set(${out_command} ${tool} PARENT_SCOPE)
  set(${out_depends} ${tool} PARENT_SCOPE)
endfunction()

# CMAKE_HOST_EXECUTABLE_SUFFIX is not set on every host.
if(NOT DEFINED CMAKE_HOST_EXECUTABLE_SUFFIX)
  if(CMAKE_HOST_WIN32)
    set(CMAKE_HOST_EXECUTABLE_SUFFIX .exe)
  else()
    set(CMAKE_HOST_EXECUTABLE_SUFFIX "")
  endif()
endif()

function(popquell_add_windows_resources target)
  set(res ${PROJECT_SOURCE_DIR}/res)
  set(gen ${CMAKE_CURRENT_BINARY_DIR})

  _popquell_icon_tool(make_icon make_icon_depends)
  # The 32 by 32 image first: Explorer and the title bar pick from both.
  add_custom_command(
    OUTPUT ${gen}/popquell.ico
    COMMAND ${make_icon} ${gen}/popquell.ico ${res}/icon32.txt ${res}/icon16.txt
    DEPENDS ${make_icon_depends} ${res}/icon32.txt ${res}/icon16.txt
    COMMENT "Making popquell.ico from res/icon32.txt and res/icon16.txt"
    VERBATIM)

  # The file's own name, popquell.exe or popquell-x86.exe.
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set(POPQUELL_EXE_NAME ${name}${CMAKE_EXECUTABLE_SUFFIX})
  configure_file(${res}/version.rc.in ${gen}/popquell-version.rc @ONLY)

  # popquell.rc names the generated files without a path: the resource
  # compiler runs in the build directory and also searches the include path.
  set_source_files_properties(${res}/popquell.rc PROPERTIES
    INCLUDE_DIRECTORIES "${gen}"
    OBJECT_DEPENDS "${gen}/popquell.ico;${gen}/popquell-version.rc;${res}/resource.h")
  target_sources(${target} PRIVATE ${res}/popquell.rc ${gen}/popquell.ico)

  if(MSVC)
    # The linker embeds a manifest given as a source; a second copy from the
    # .rc would clash with it.
    target_sources(${target} PRIVATE ${res}/popquell.manifest)
  else()
    # 1 is CREATEPROCESS_MANIFEST_RESOURCE_ID, 24 is RT_MANIFEST.
    file(CONFIGURE OUTPUT ${gen}/${target}-manifest.rc
      CONTENT "1 24 \"${res}/popquell.manifest\"\n")
    set_source_files_properties(${gen}/${target}-manifest.rc PROPERTIES
      OBJECT_DEPENDS ${res}/popquell.manifest)
    target_sources(${target} PRIVATE ${gen}/${target}-manifest.rc)
  endif()
endfunction()
