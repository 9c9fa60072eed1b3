# SPDX-License-Identifier: GPL-3.0-or-later
# Registers a GoogleTest program with ctest. Natively every test case is its own ctest
# entry. A cross build registers the whole program as one entry run through the emulator
# (Wine): one start-up per program rather than per case. Without an emulator the program
# is built only.
function(vantu_add_test_program target)
  # No test program may ever take the machine-wide lock.
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common/own_lock_file.cpp)
  if(NOT CMAKE_CROSSCOMPILING)
    gtest_discover_tests(${target} ${ARGN})
  elseif(CMAKE_CROSSCOMPILING_EMULATOR)
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES TIMEOUT 300)
  endif()
endfunction()
