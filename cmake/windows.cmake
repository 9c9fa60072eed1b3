# SPDX-License-Identifier: GPL-3.0-or-later
# Windows builds: self-contained programs and DLLs, GoogleTest built for the target from
# Debian's sources, and, when cross-compiling for 64-bit Windows, tests run under Wine.

if(MINGW)
  # No compiler runtime DLLs to ship or to put on Wine's search path.
  add_link_options(-static)
  include(${PROJECT_SOURCE_DIR}/packaging/windows/resources.cmake)
endif()

if(CMAKE_CROSSCOMPILING AND VANTU_BUILD_TESTS)
  set(VANTU_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH
      "GoogleTest sources (Debian package googletest), built for the target")
  if(NOT EXISTS ${VANTU_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${VANTU_GTEST_SOURCE_DIR}: install googletest")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  # Defines GTest::gtest and GTest::gtest_main, as find_package(GTest) does natively.
  add_subdirectory(${VANTU_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

  # 64-bit programs run under Wine, in a prefix of this build tree's own. 32-bit ones are
  # only built: running them would need 32-bit Wine.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8 AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    find_program(VANTU_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
    if(VANTU_WINE64)
      set(VANTU_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
      configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
                     @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                     WORLD_READ WORLD_EXECUTE)
      set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
    else()
      message(STATUS "No /usr/lib/wine/wine64: Windows tests are built but not registered")
    endif()
  endif()
endif()
