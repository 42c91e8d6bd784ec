# AddressSanitizer and UndefinedBehaviorSanitizer for every target defined
# after this point (rfpeek_core, rfpeek and the tests), so the unit tests and
# the CLI tests that run the binary stop at the first fault.
# Use: include(cmake/sanitize.cmake) after the option() lines, or without
# touching CMakeLists.txt: -DCMAKE_PROJECT_INCLUDE=<this file>.
include_guard(GLOBAL)
option(RFPEEK_SANITIZE "Build the library, the binary and the tests with ASan and UBSan" OFF)
if(RFPEEK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()
