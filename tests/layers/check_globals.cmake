# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a core library defines a mutable global: state of one piece of EC work belongs
# to the session or run that does it, never to the process, where a second thread reaches it.
# Constants, vtables, typeinfo, guard variables and the sanitizer's own markers are no
# state. What stays process-wide is listed below with its reason; keep the list short.
#
#   cmake -DNM=<nm> -DLIBS=<lib.a;...> -P check_globals.cmake

if(NOT DEFINED NM OR NOT DEFINED LIBS)
  message(FATAL_ERROR "check_globals: NM and LIBS must be given")
endif()

set(allowed
  # The one hardware seam: the loaded port library's entries (swapped by ScopedPortIo), and
  # the recording layer a port record puts over them, with the recording it feeds.
  "port_io_detail::g_Active" "(anonymous namespace)::g_Library" "(anonymous namespace)::g_Preset" "g_DriverOpen"
  "(anonymous namespace)::g_LibraryEntries" "(anonymous namespace)::g_Recorder" "(anonymous namespace)::g_Active"
  # Test seams, each behind a scoped override: clock and sleep, the lockdown file, the image
  # opener, the restart command runner, the administrator-rights answer.
  "(anonymous namespace)::g_Clock" "(anonymous namespace)::g_LockdownPath" "(anonymous namespace)::g_Opener"
  "(anonymous namespace)::g_Runner" "(anonymous namespace)::g_Answer"
  # Process-wide by nature: one EC session per process, the signal handlers, the system's
  # clock, sleep blocker and restart command, unique temporary names, the temporaries a
  # signal's handler removes.
  "(anonymous namespace)::g_SessionMutex" "(anonymous namespace)::g_Owner" "(anonymous namespace)::g_Depth"
  "(anonymous namespace)::g_DepthMutex" "(anonymous namespace)::g_Pending" "(anonymous namespace)::g_Current"
  "(anonymous namespace)::g_Previous" "(anonymous namespace)::g_Installed" "(anonymous namespace)::g_Temporaries"
  "SystemClock()::clock" "SystemSleepBlocker()::blocker" "RestartCommand[abi:cxx11]()::command"
  "StagedReplacement::CreateTempBeside(std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> > const&, std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >&)::counter"
)

set(faults "")
foreach(lib IN LISTS LIBS)
  execute_process(COMMAND ${NM} -C --defined-only --format=sysv ${lib}
                  OUTPUT_VARIABLE listing RESULT_VARIABLE failed ERROR_QUIET)
  if(failed)
    message(FATAL_ERROR "check_globals: ${NM} could not read ${lib}")
  endif()
  string(REPLACE ";" "" listing "${listing}")
  string(REPLACE "\n" ";" lines "${listing}")
  foreach(line IN LISTS lines)
    # name|value|class|type|size|line|section; writable data only (read-only relocations are constants).
    if(NOT line MATCHES "^([^|]+)\\|[^|]*\\|[^|]*\\|[^|]*\\|[^|]*\\|[^|]*\\|(\\.bss|\\.data|\\.tbss|\\.tdata)([^|]*)$")
      continue()
    endif()
    set(name "${CMAKE_MATCH_1}")
    set(section "${CMAKE_MATCH_2}${CMAKE_MATCH_3}")
    string(STRIP "${name}" name)
    if(section MATCHES "^\\.data\\.rel\\.ro" OR name MATCHES "^(vtable for|typeinfo|guard variable for|DW\\.ref\\.|__odr_asan|___asan_gen_)")
      continue()
    endif()
    list(FIND allowed "${name}" known)
    if(known EQUAL -1)
      get_filename_component(lib_name ${lib} NAME)
      list(APPEND faults "${lib_name}: ${name} is a mutable global (${section}): keep it in the session or run that uses it")
    endif()
  endforeach()
endforeach()

if(faults)
  list(SORT faults)
  list(JOIN faults "\n" text)
  message(FATAL_ERROR "${text}")
endif()
