# Fails when a layer includes a layer above it or anything outside the layers, or when code
# outside the window includes Qt. Layers, lowest first: hw < settings < spi < flash < version
# < app. sim/, tests/ and bench/ stand outside: they may include any layer, never Qt (the
# window's own tests excepted).
#
#   cmake -DROOT=<source tree> [-DSKIP=<dir relative to ROOT>] -P check_layers.cmake

if(NOT DEFINED ROOT)
  message(FATAL_ERROR "check_layers: ROOT not given")
endif()
set(layers hw settings spi flash version app)
set(outside sim tests bench)

set(files "")
foreach(dir IN LISTS layers outside)
  file(GLOB_RECURSE found RELATIVE ${ROOT} ${ROOT}/${dir}/*.h ${ROOT}/${dir}/*.cpp ${ROOT}/${dir}/*.c)
  list(APPEND files ${found})
endforeach()
if(DEFINED SKIP)
  list(FILTER files EXCLUDE REGEX "^${SKIP}/")
endif()

set(faults "")
foreach(file IN LISTS files)
  string(REGEX MATCH "^[^/]+" dir ${file})
  list(FIND layers ${dir} rank)
  file(STRINGS ${ROOT}/${file} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*" "" target "${line}")
    if(target MATCHES "^<Q[A-Za-z0-9_]*[/>]" AND NOT dir STREQUAL "app" AND NOT file MATCHES "^tests/app/")
      list(APPEND faults "${file} includes ${target}: only the window uses Qt")
    endif()
    if(rank EQUAL -1 OR NOT target MATCHES "^\"([a-z_]+)/")
      continue()
    endif()
    set(included ${CMAKE_MATCH_1})
    list(FIND layers ${included} included_rank)
    list(FIND outside ${included} included_outside)
    if(included_rank GREATER rank)
      list(APPEND faults "${file} includes ${target}: ${included} is a higher layer than ${dir}")
    elseif(included_outside GREATER -1)
      list(APPEND faults "${file} includes ${target}: ${included} stands outside the layers")
    endif()
  endforeach()
endforeach()

list(LENGTH files checked)
if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "layer check failed:\n  ${text}")
endif()
message(STATUS "layer check: ${checked} files, every include in its place")
