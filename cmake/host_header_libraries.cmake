# SPDX-License-Identifier: GPL-3.0-or-later
# CLI11 and nlohmann-json for a cross build. Both are header-only, but Debian's packages
# ship their CMake configuration for the build machine only. The target gets the host's
# headers through a directory of its own in the build tree that holds links to just these
# two, so no other host header can reach the target's include path.
foreach(header IN ITEMS CLI/CLI.hpp nlohmann/json.hpp)
  string(MAKE_C_IDENTIFIER "VANTU_HOST_${header}" var)
  find_path(${var} ${header} PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT ${var})
    message(FATAL_ERROR "No ${header} on the build machine: install libcli11-dev and nlohmann-json3-dev")
  endif()
endforeach()

set(VANTU_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${VANTU_HOST_HEADERS})
foreach(dir IN ITEMS CLI nlohmann)
  if(NOT EXISTS ${VANTU_HOST_HEADERS}/${dir})
    file(CREATE_LINK /usr/include/${dir} ${VANTU_HOST_HEADERS}/${dir} SYMBOLIC)
  endif()
endforeach()

# The names the packages' own configurations define, so cli/ links them the same way.
add_library(CLI11::CLI11 INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${VANTU_HOST_HEADERS})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${VANTU_HOST_HEADERS})
