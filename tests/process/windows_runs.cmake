# SPDX-License-Identifier: GPL-3.0-or-later
# Programs run as children under Wine: the command line's tests need only the runner.
add_library(process_runner STATIC process_runner_win.cpp)
target_include_directories(process_runner PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR})
target_link_libraries(process_runner PUBLIC test_common)
if(NOT VANTU_BUILD_APP OR NOT CMAKE_CROSSCOMPILING_EMULATOR)
  return()
endif()

# The Windows window program, vantu.exe, run as a child of a test program under Wine against
# the simulated inpoutx64.dll, found through PATH, with the restart command shadowed by a stub.
# Paths handed to the Windows side name the host's files through Wine's drive Z:.
set(host "Z:")

add_library(broken_inpout32 SHARED broken_library.c)
set_target_properties(broken_inpout32 PROPERTIES
  PREFIX "" OUTPUT_NAME inpoutx64
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/broken-library)

add_executable(restart_stub restart_stub_win.cpp)

add_executable(vantu_process_tests unattended_run_test.cpp vantu_test_support.cpp)
target_link_libraries(vantu_process_tests PRIVATE process_runner test_ini vantu_flash GTest::gtest_main)
target_compile_definitions(vantu_process_tests PRIVATE
  VANTU_PATH="${host}$<TARGET_FILE:vantu>"
  SIM_LIBRARY_DIR="${host}${VANTU_SIM_LIB_DIR}"
  BROKEN_LIBRARY_DIR="${host}${CMAKE_CURRENT_BINARY_DIR}/broken-library"
  RESTART_STUB_PATH="${host}$<TARGET_FILE:restart_stub>"
  # No window driver here yet: its failing image streams are glibc's.
  WINDOW_DRIVER_PATH="")
add_dependencies(vantu_process_tests vantu inpout32_sim broken_inpout32 restart_stub)
# Two entries, so the long runs over every chip variant go side by side with the rest.
set(chips UnattendedRunTest.PassesOnEveryChipVariant)
add_test(NAME vantu_process_tests_chips COMMAND vantu_process_tests --gtest_filter=${chips})
add_test(NAME vantu_process_tests_other COMMAND vantu_process_tests --gtest_filter=-${chips})
# The stub program is copied in as shutdown.exe, which Wine would otherwise refuse to start.
set_tests_properties(vantu_process_tests_chips vantu_process_tests_other PROPERTIES
  ENVIRONMENT VANTU_WINE_SHUTDOWN_STUBBED=1 TIMEOUT 300)
