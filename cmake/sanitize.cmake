# SPDX-License-Identifier: GPL-2.0-only
# AddressSanitizer and UndefinedBehaviorSanitizer for rfpeek_core, rfpeek and
# the tests, so the unit tests and the CLI tests that run the binary stop at
# the first fault. Works included anywhere in the top CMakeLists.txt (targets
# made before the include get the flags directly, later ones through the
# directory), or without touching it: -DCMAKE_PROJECT_INCLUDE=<this file>.
include_guard(GLOBAL)
option(RFPEEK_SANITIZE "Build the library, the binary and the tests with ASan and UBSan" OFF)
if(RFPEEK_SANITIZE)
  set(RFPEEK_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
      -fno-omit-frame-pointer -g)
  add_compile_options(${RFPEEK_SANITIZE_FLAGS})
  add_link_options(-fsanitize=address,undefined)
  foreach(t rfpeek_core rfpeek)
    if(TARGET ${t})
      target_compile_options(${t} PRIVATE ${RFPEEK_SANITIZE_FLAGS})
      target_link_options(${t} INTERFACE -fsanitize=address,undefined)
    endif()
  endforeach()
  if(TARGET rfpeek)
    target_link_options(rfpeek PRIVATE -fsanitize=address,undefined)
  endif()
endif()
