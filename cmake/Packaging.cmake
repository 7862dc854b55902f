# The release: popquell.exe (x64) and popquell-x86.exe (x86) with the README
# and the licence in one zip, which is all a user needs -- no installer, no
# settings. The tests and the demo programs stay out.
#
#   cmake --build build/windows --target package   -> Popquell-1.0.0-windows.zip
#
# The x64 build makes the zip. It takes popquell-x86.exe from the x86 build
# tree POPQUELL_X86_BUILD_DIR, which it builds first, and configures first
# with the preset POPQUELL_X86_PRESET if nobody has. Without that tree the
# zip holds the one executable of this build.
include_guard(GLOBAL)

if(NOT TARGET popquell)
  return()
endif()

# Where this build's executable is, per configuration, for a build that
# packs it.
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/popquell-exe-$<CONFIG>.txt
  CONTENT "$<TARGET_FILE:popquell>")

install(TARGETS popquell RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)

set(POPQUELL_X86_BUILD_DIR "" CACHE PATH
  "x86 build tree whose popquell-x86.exe the release zip also carries")
set(POPQUELL_X86_PRESET "" CACHE STRING
  "Configure preset for POPQUELL_X86_BUILD_DIR, used if it is not configured")

# Forward slashes: a Windows path's backslashes would be escapes in the
# install script.
file(TO_CMAKE_PATH "${POPQUELL_X86_BUILD_DIR}" POPQUELL_X86_BUILD_DIR)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_popquell_zip win32)
elseif(POPQUELL_X86_BUILD_DIR)
  add_custom_target(popquell_x86 ALL
    COMMAND ${CMAKE_COMMAND} -D BUILD_DIR=${POPQUELL_X86_BUILD_DIR}
      -D PRESET=${POPQUELL_X86_PRESET} -D SOURCE_DIR=${PROJECT_SOURCE_DIR}
      -D CONFIG=$<CONFIG> -P ${CMAKE_CURRENT_LIST_DIR}/BuildX86.cmake
    COMMENT "Building popquell-x86.exe in ${POPQUELL_X86_BUILD_DIR}"
    USES_TERMINAL VERBATIM)
  install(CODE "set(POPQUELL_X86_BUILD_DIR \"${POPQUELL_X86_BUILD_DIR}\")")
  install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/InstallX86.cmake)
  set(_popquell_zip windows)
else()
  set(_popquell_zip win64)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Popquell)
set(CPACK_PACKAGE_VENDOR "the Popquell authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Closes Internet Explorer pop-up windows")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# Unzips into a folder of that name.
set(CPACK_PACKAGE_FILE_NAME Popquell-${PROJECT_VERSION}-${_popquell_zip})
include(CPack)
