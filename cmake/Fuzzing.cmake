# SPDX-License-Identifier: GPL-3.0-or-later
# Fuzzing with libFuzzer: every object of the project gets the coverage
# instrumentation libFuzzer steers by; the targets in tests/fuzz link its
# driver. Combine with VANTOR_SANITIZE=address,undefined (the fuzz preset).
if(VANTOR_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VANTOR_BUILD_FUZZ needs Clang (cmake --preset fuzz)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
