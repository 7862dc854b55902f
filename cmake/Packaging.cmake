# The release: popquell.exe with the README and the licence in one zip, which
# is all a user needs -- no installer, no settings. The tests and the demo
# programs stay out.
#
#   cmake --build build/windows --target package   -> Popquell-1.0.0-win64.zip
include_guard(GLOBAL)

if(NOT TARGET popquell)
  return()
endif()

install(TARGETS popquell RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Popquell)
set(CPACK_PACKAGE_VENDOR "the Popquell authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Closes Internet Explorer pop-up windows")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# Unzips into a folder of that name.
set(CPACK_PACKAGE_FILE_NAME Popquell-${PROJECT_VERSION}-win64)
include(CPack)
