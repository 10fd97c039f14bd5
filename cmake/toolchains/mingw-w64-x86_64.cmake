# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds the Windows programs with Debian's mingw-w64 compilers. The
# "posix" variant is the one whose C++ runtime has std::thread and std::mutex.
# Every .exe is linked statically (C++ runtime and threads inside), so it runs
# with nothing beside it on Windows and under Wine.
#   cmake --preset mingw
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VANTOR_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${VANTOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANTOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VANTOR_MINGW_TRIPLE}-windres)

# Libraries and headers come from the Windows sysroot only: the host's
# /usr/lib holds Linux archives that the linker would otherwise take.
set(CMAKE_FIND_ROOT_PATH /usr/${VANTOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and test discovery run the .exe files under Wine, kept off the
# network and away from any display (wine-run.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
