# SPDX-License-Identifier: GPL-3.0-or-later
# Windows resources of the programs a user starts: an application manifest (the rights the
# program asks for, per-monitor DPI awareness, common controls 6, the supported systems), a
# version record and the icon, made at build time from the project's SVG.
enable_language(RC)
find_program(VANTU_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(VANTU_ICOTOOL icotool REQUIRED)

set(VANTU_ICON_FILE ${CMAKE_BINARY_DIR}/windows/vantu.ico)
set(_vantu_icon_svg ${PROJECT_SOURCE_DIR}/packaging/linux/org.vantu.Vantu.svg)
set(_vantu_icon_commands)
set(_vantu_icon_pngs)
foreach(size 16 20 24 32 40 48 64 256)
  set(png ${CMAKE_BINARY_DIR}/windows/icon-${size}.png)
  list(APPEND _vantu_icon_commands COMMAND ${VANTU_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${_vantu_icon_svg})
  # The largest image is kept as PNG inside the icon, as Windows expects.
  if(size EQUAL 256)
    list(APPEND _vantu_icon_pngs -r ${png})
  else()
    list(APPEND _vantu_icon_pngs ${png})
  endif()
endforeach()
add_custom_command(OUTPUT ${VANTU_ICON_FILE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/windows
  ${_vantu_icon_commands}
  COMMAND ${VANTU_ICOTOOL} -c -o ${VANTU_ICON_FILE} ${_vantu_icon_pngs}
  DEPENDS ${_vantu_icon_svg}
  VERBATIM)
add_custom_target(windows_icon DEPENDS ${VANTU_ICON_FILE})

# Gives `target` its manifest, version record and icon. EXECUTION_LEVEL is what Windows
# grants before the program starts: requireAdministrator asks for elevation, asInvoker not.
function(vantu_add_windows_resources target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "DESCRIPTION;EXECUTION_LEVEL" "")
  set(VANTU_RESOURCE_NAME ${target})
  set(VANTU_RESOURCE_DESCRIPTION "${arg_DESCRIPTION}")
  set(VANTU_RESOURCE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0)
  set(VANTU_EXECUTION_LEVEL ${arg_EXECUTION_LEVEL})
  set(VANTU_MANIFEST_FILE ${CMAKE_BINARY_DIR}/windows/${target}.manifest)
  set(rc ${CMAKE_BINARY_DIR}/windows/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.manifest.in ${VANTU_MANIFEST_FILE} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${VANTU_ICON_FILE};${VANTU_MANIFEST_FILE}")
  add_dependencies(${target} windows_icon)
endfunction()
