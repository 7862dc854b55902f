# Run by the x64 build (target popquell_x86): builds popquell-x86.exe in the
# x86 tree, configuring that tree with its preset first if nobody has.
#
#   cmake -D BUILD_DIR=... -D PRESET=... -D SOURCE_DIR=... -D CONFIG=... -P BuildX86.cmake
if(NOT EXISTS "${BUILD_DIR}/CMakeCache.txt")
  if(NOT PRESET)
    message(FATAL_ERROR "The x86 build ${BUILD_DIR} is not configured; "
      "configure it first (see the README), or clear POPQUELL_X86_BUILD_DIR.")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} --preset ${PRESET}
    WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Configuring the x86 build with the preset ${PRESET} failed")
  endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --config ${CONFIG} --target popquell
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "Building popquell-x86.exe in ${BUILD_DIR} failed")
endif()
