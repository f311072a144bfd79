# Resources of the Windows programs: a manifest, the icon and the version
# details, compiled in by the mingw-w64 resource compiler.
enable_language(RC)

find_program(KERBCALL_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(KERBCALL_ICOTOOL icotool REQUIRED)

set(KERBCALL_COPYRIGHT "Copyright (C) 2026 the Kerbcall developers")

# The Windows icon is drawn from the same drawing as every other icon of
# Kerbcall: 16, 32 and 48 px as bitmaps, 256 px as a PNG image.
set(KERBCALL_ICON_SOURCE "${PROJECT_SOURCE_DIR}/packaging/icon/kerbcall.svg")
set(KERBCALL_ICON "${PROJECT_BINARY_DIR}/icon/kerbcall.ico")
set(_kerbcall_icon_commands)
set(_kerbcall_icon_images)
foreach(size 16 32 48 256)
  list(APPEND _kerbcall_icon_commands COMMAND ${KERBCALL_RSVG_CONVERT} -w ${size} -h ${size} -o kerbcall-${size}.png
       ${KERBCALL_ICON_SOURCE})
  list(APPEND _kerbcall_icon_images kerbcall-${size}.png)
endforeach()
list(TRANSFORM _kerbcall_icon_images PREPEND "--raw=" AT 3)
file(MAKE_DIRECTORY "${PROJECT_BINARY_DIR}/icon")
add_custom_command(OUTPUT ${KERBCALL_ICON}
  ${_kerbcall_icon_commands}
  COMMAND ${KERBCALL_ICOTOOL} -c -o ${KERBCALL_ICON} ${_kerbcall_icon_images}
  DEPENDS ${KERBCALL_ICON_SOURCE}
  WORKING_DIRECTORY "${PROJECT_BINARY_DIR}/icon"
  COMMENT "Drawing the Windows icon"
  VERBATIM)
add_custom_target(kerbcall_icon DEPENDS ${KERBCALL_ICON})

# kerbcall_windows_resources(TARGET DESCRIPTION [WINDOWS] [ICON])
# Gives a Windows program its manifest and version details. WINDOWS: the
# program shows windows (DPI awareness, today's controls); ICON: it carries
# Kerbcall's icon.
function(kerbcall_windows_resources target description)
  cmake_parse_arguments(PARSE_ARGV 2 arg "WINDOWS;ICON" "" "")
  set(resources "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../app/win32/resources")
  set(KERBCALL_WINDOW_SETTINGS "")
  if(arg_WINDOWS)
    file(READ "${resources}/window-settings.xml" KERBCALL_WINDOW_SETTINGS)
  endif()
  set(KERBCALL_RC_MANIFEST "${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest")
  configure_file("${resources}/program.manifest.in" "${KERBCALL_RC_MANIFEST}" @ONLY)

  set(KERBCALL_RC_ICON "")
  set(depends "${KERBCALL_RC_MANIFEST}")
  if(arg_ICON)
    # Explorer shows a program's first icon.
    set(KERBCALL_RC_ICON "KERBCALL ICON \"${KERBCALL_ICON}\"")
    list(APPEND depends "${KERBCALL_ICON}")
    add_dependencies(${target} kerbcall_icon)
  endif()
  get_target_property(KERBCALL_RC_NAME ${target} OUTPUT_NAME)
  if(NOT KERBCALL_RC_NAME)
    set(KERBCALL_RC_NAME ${target})
  endif()
  set(KERBCALL_RC_DESCRIPTION "${description}")
  set(KERBCALL_RC_COMPANY "Kerbcall")
  set(KERBCALL_RC_COPYRIGHT "${KERBCALL_COPYRIGHT}")
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}.rc")
  configure_file("${resources}/program.rc.in" "${rc}" @ONLY)
  set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${depends}")
  target_sources(${target} PRIVATE "${rc}")
endfunction()
