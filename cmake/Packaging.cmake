# The release: popquell.exe (x64) and popquell-x86.exe (x86) with the README
# and the licence in one zip, which is all a user needs -- no installer, no
# settings. The tests and the demo programs stay out. scripts/release.sh
# builds the x86 tree, then the x64 one, which packs both:
#
#   cmake --build build/windows --target package   -> Popquell-1.0.0-windows.zip
#
# With POPQUELL_X86_BUILD_DIR naming a built x86 tree, the zip also carries
# what that tree installs; without it, only this build's executable.
include_guard(GLOBAL)

if(NOT TARGET popquell)
  return()
endif()

install(TARGETS popquell RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)

set(POPQUELL_X86_BUILD_DIR "" CACHE PATH
  "Built x86 tree whose popquell-x86.exe the release zip also carries")
file(TO_CMAKE_PATH "${POPQUELL_X86_BUILD_DIR}" POPQUELL_X86_BUILD_DIR)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_popquell_zip win32)
elseif(POPQUELL_X86_BUILD_DIR)
  # CPack installs each listed tree into the one zip.
  set(CPACK_INSTALL_CMAKE_PROJECTS
    "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/"
    "${POPQUELL_X86_BUILD_DIR};${PROJECT_NAME};ALL;/")
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
