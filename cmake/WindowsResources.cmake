# The resources of popquell.exe: the icon, made from the pixel maps (XPM) in
# res/ by ImageMagick; the version information, configured from
# res/version.rc.in; and the application manifest, res/popquell.manifest.
include_guard(GLOBAL)

# Include this file at the top level: a language is enabled only there.
enable_language(RC)

# ImageMagick turns the two pixel maps into one icon. On Windows its command
# is magick; there convert is a different, system program.
if(CMAKE_HOST_WIN32)
  find_program(POPQUELL_MAGICK NAMES magick REQUIRED)
else()
  find_program(POPQUELL_MAGICK NAMES magick convert REQUIRED)
endif()

function(popquell_add_windows_resources target)
  set(res ${PROJECT_SOURCE_DIR}/res)
  set(gen ${CMAKE_CURRENT_BINARY_DIR})

  # The 32 by 32 image first: Explorer and the title bar pick from both.
  # A palette image keeps the maps' 16 colours exactly, 4 bits a pixel.
  add_custom_command(
    OUTPUT ${gen}/popquell.ico
    COMMAND ${POPQUELL_MAGICK} ${res}/icon32.xpm ${res}/icon16.xpm -type Palette ${gen}/popquell.ico
    DEPENDS ${res}/icon32.xpm ${res}/icon16.xpm
    COMMENT "Making popquell.ico from res/icon32.xpm and res/icon16.xpm"
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
