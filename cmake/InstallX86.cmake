# Part of the x64 build's install: copies popquell-x86.exe from the x86 tree
# POPQUELL_X86_BUILD_DIR, which names it in popquell-exe-CONFIG.txt.
set(_list "${POPQUELL_X86_BUILD_DIR}/popquell-exe-${CMAKE_INSTALL_CONFIG_NAME}.txt")
if(NOT EXISTS "${_list}")
  message(FATAL_ERROR "No x86 build of configuration '${CMAKE_INSTALL_CONFIG_NAME}' "
    "in ${POPQUELL_X86_BUILD_DIR}: build it first.")
endif()
file(READ "${_list}" _exe)
if(NOT EXISTS "${_exe}")
  message(FATAL_ERROR "${_exe} has not been built.")
endif()
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}" TYPE EXECUTABLE FILES "${_exe}")
