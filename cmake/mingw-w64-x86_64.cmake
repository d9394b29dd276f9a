# SPDX-License-Identifier: MIT
# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads, for
# std::thread and std::mutex). Libraries Debian does not package for mingw are
# built by scripts/build-windows-deps.sh into NELVO_WINDOWS_DEPS.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)
set(CMAKE_AR ${mingw_triple}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${mingw_triple}-ranlib CACHE FILEPATH "")

if(NOT NELVO_WINDOWS_DEPS AND DEFINED ENV{NELVO_WINDOWS_DEPS})
  set(NELVO_WINDOWS_DEPS $ENV{NELVO_WINDOWS_DEPS})
endif()
set(NELVO_WINDOWS_DEPS "${NELVO_WINDOWS_DEPS}" CACHE PATH "Prefix of the cross-built libraries")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES NELVO_WINDOWS_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple})
if(NELVO_WINDOWS_DEPS)
  list(PREPEND CMAKE_FIND_ROOT_PATH ${NELVO_WINDOWS_DEPS})
endif()
# Searched under each root: its lib/ and include/ (the Windows platform files
# name only C:/Program Files and the like).
list(APPEND CMAKE_PREFIX_PATH /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs run by tests and scripts under wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
