# SPDX-License-Identifier: GPL-3.0-or-later
# Where an installed Vantu puts its files, and the one way a program of the project is installed.
include(GNUInstallDirs)

# The real port library lives in a directory of its own, which only the installed programs'
# RUNPATH names: nothing else on the system can pick it up by accident, and no program finds it
# on any other path. Under /usr on Debian the libdir carries the multiarch triplet.
set(VANTU_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/vantu)

# $ORIGIN keeps an installation under another prefix working. From the build tree the same
# entry names <build>/<libdir>/vantu, a directory the build never creates, so the program in the
# build tree only ever finds the simulated library that LD_LIBRARY_PATH names.
file(RELATIVE_PATH _vantu_bin_to_private_lib
  ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_PREFIX}/${VANTU_PRIVATE_LIBDIR})
set(VANTU_PROGRAM_RUNPATH "$ORIGIN/${_vantu_bin_to_private_lib}")

# Installs a program into bin/ with the RUNPATH that reaches the real port library and nothing
# else. A build RUNPATH of CMake's own would end in an empty entry, which the loader takes for
# the working directory; carrying the install RUNPATH from the start avoids that.
function(vantu_install_program target)
  set_target_properties(${target} PROPERTIES
    BUILD_WITH_INSTALL_RPATH ON
    INSTALL_RPATH "${VANTU_PROGRAM_RUNPATH}")
  # Relocations resolved and made read-only before any code of a root process runs (an ELF
  # notion: Windows programs have no such link options).
  if(NOT WIN32)
    target_link_options(${target} PRIVATE -Wl,-z,relro,-z,now)
  endif()
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

# Installs a section-1 man page, compressed as Debian expects. The page may be a file of the
# source tree or one generated into the build tree; GENERATED_BY names the target making it.
function(vantu_install_man_page page)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "GENERATED_BY" "")
  get_filename_component(name ${page} NAME)
  set(compressed ${PROJECT_BINARY_DIR}/man/${name}.gz)
  # -n leaves the name and time out of the header, so the same page always packs the same.
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND gzip -9n -c ${page} > ${compressed}
    DEPENDS ${page} ${arg_GENERATED_BY}
    VERBATIM)
  add_custom_target(man_${name} ALL DEPENDS ${compressed})
  install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
