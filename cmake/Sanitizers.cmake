# SPDX-License-Identifier: GPL-3.0-or-later
if(VANTOR_SANITIZE)
  string(REPLACE "," ";" _vantor_sans "${VANTOR_SANITIZE}")
  foreach(_s IN LISTS _vantor_sans)
    add_compile_options(-fsanitize=${_s})
    add_link_options(-fsanitize=${_s})
  endforeach()
  add_compile_options(-fno-omit-frame-pointer -fno-sanitize-recover=undefined)
endif()
