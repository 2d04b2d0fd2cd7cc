# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-building for 64-bit Windows with Debian's mingw-w64 (packages
# g++-mingw-w64-x86-64-posix and its binutils). The -posix compilers: the
# code uses std::thread and std::mutex, which the -win32 thread model of
# GCC 12 lacks.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOLVANE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOLVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOLVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TOLVANE_MINGW_TRIPLE}-windres)

# Libraries and headers of the target only; programs of the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TOLVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# GCC cannot align the Windows stack to 32 or 64 bytes, yet may spill AVX
# and AVX-512 registers there with aligned moves (GCC bug 54412); the
# assembler makes such moves unaligned ones, so that the vector block path
# cannot crash on Windows alone.
set(CMAKE_CXX_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")
# Static runtime (libstdc++, libgcc, winpthread): the programs run on a bare
# Windows without the compiler's DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests run under Wine when it is installed.
find_program(TOLVANE_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TOLVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TOLVANE_WINE})
endif()
