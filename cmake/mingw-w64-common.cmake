# SPDX-License-Identifier: GPL-3.0-or-later
# Shared part of the mingw-w64 toolchain files; VANTU_MINGW_TRIPLE names the target.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VANTU_MINGW_TRIPLE})

# The posix flavour: std::thread and std::mutex need its threading runtime.
set(CMAKE_C_COMPILER ${VANTU_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANTU_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VANTU_MINGW_TRIPLE}-windres)

# Headers and libraries come from the target's sysroot (and, for a Qt kit, from the kit's
# prefix given in CMAKE_PREFIX_PATH); programs such as moc run on the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${VANTU_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
