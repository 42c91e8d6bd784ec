# SPDX-License-Identifier: GPL-2.0-only
# The size, dependency, heap, stack and float budget of rfpeek, as ctests.
#
# Works from either place:
#  - include(cmake/rfpeek-budget.cmake) at the end of the top CMakeLists.txt;
#  - -DCMAKE_PROJECT_INCLUDE=<this file>, as the cross scripts pass it: it is
#    then read at project() and waits for the end of the top directory.
#
# Read from the toolchain file, all optional:
#   RFPEEK_TARGET_NAME   prefix of the test names (default: host)
#   RFPEEK_SIZE_BUDGET   the stripped rfpeek must be smaller (bytes)
#   RFPEEK_STATIC        ON: rfpeek must be fully static
#   RFPEEK_SOFT_FLOAT    ON: rfpeek must hold no FPU instruction and no
#                        hard-float tag
#   RFPEEK_LIBC          glibc (default) or musl: whose getopt messages the
#                        smoke test expects
#   RFPEEK_HOST_STAGE    the host's rfpeek_stage: with -DRFPEEK_STAGE=ON the
#                        target's replay output must equal its own
#   RFPEEK_SMOKE_RUNNER  runs rfpeek for the smoke test (default: the
#                        crosscompiling emulator, or nothing)
# RFPEEK_STACK_LIMIT caps any one stack frame of the product code (bytes);
# RFPEEK_STATIC_MEMORY_LIMIT its data + bss.

set(RFPEEK_STACK_LIMIT 8192 CACHE STRING "Largest stack frame allowed in rfpeek's own code (bytes)")
# Everything rfpeek holds is static (records of up to 256 bins among it)
set(RFPEEK_STATIC_MEMORY_LIMIT 1048576 CACHE STRING "rfpeek's data + bss must be below this (bytes)")

function(rfpeek_budget_apply)
  get_property(done GLOBAL PROPERTY RFPEEK_BUDGET_DONE)
  if(done OR NOT TARGET rfpeek OR NOT TARGET rfpeek_core)
    return()
  endif()
  set_property(GLOBAL PROPERTY RFPEEK_BUDGET_DONE ON)

  set(here "${CMAKE_CURRENT_FUNCTION_LIST_DIR}")
  set(checks "${here}/../cross/checks")
  set(name "${RFPEEK_TARGET_NAME}")
  if(NOT name)
    set(name host)
  endif()
  set(tools STRIP NM READELF)
  if(RFPEEK_SOFT_FLOAT)
    list(APPEND tools OBJDUMP)
  endif()
  foreach(tool ${tools})
    if(NOT CMAKE_${tool})
      message(FATAL_ERROR "rfpeek budget: no ${tool} tool found")
    endif()
  endforeach()

  # With -Werror (RFPEEK_WERROR=ON, as every development and CI build sets
  # it) a frame over the limit, or of unbounded size, is a build error.
  # Without it (a package build) it is a warning, and the stack_frames test
  # below still fails: it reads the .su reports itself.
  # GCC only: clang knows neither -Wstack-usage= nor, before 13, -fstack-usage.
  set(gcc OFF)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    set(gcc ON)
    foreach(t rfpeek_core rfpeek)
      target_compile_options(${t} PRIVATE -fstack-usage -Wstack-usage=${RFPEEK_STACK_LIMIT})
    endforeach()
  endif()

  if(RFPEEK_SIZE_BUDGET)
    add_test(NAME budget_${name}_stripped_size
      COMMAND sh ${checks}/check-size.sh ${CMAKE_STRIP} $<TARGET_FILE:rfpeek> ${RFPEEK_SIZE_BUDGET})
  endif()

  # ASan pads every global with a red zone: not the memory rfpeek ships with
  if(NOT RFPEEK_SANITIZE)
    add_test(NAME budget_${name}_static_memory
      COMMAND sh ${checks}/check-static-memory.sh ${CMAKE_READELF} $<TARGET_FILE:rfpeek>
        ${RFPEEK_STATIC_MEMORY_LIMIT})
  endif()

  if(RFPEEK_STATIC)
    set(kind static)
  else()
    set(kind dynamic)
  endif()
  add_test(NAME budget_${name}_needed
    COMMAND sh ${checks}/check-needed.sh ${CMAKE_READELF} $<TARGET_FILE:rfpeek> ${kind})

  # Every object of the product: the core archive and main's own objects.
  add_test(NAME budget_${name}_no_heap
    COMMAND sh ${checks}/check-heap.sh ${CMAKE_NM}
      $<TARGET_FILE:rfpeek_core> $<TARGET_OBJECTS:rfpeek>)
  # The same check must see allocator calls where there are some.
  add_library(rfpeek_heap_probe OBJECT ${here}/heap-probe.cpp)
  add_test(NAME budget_${name}_heap_check_sees_allocators
    COMMAND sh ${checks}/check-heap.sh --must-find ${CMAKE_NM}
      $<TARGET_OBJECTS:rfpeek_heap_probe>)

  if(gcc)
    add_test(NAME budget_${name}_stack_frames
      COMMAND sh ${checks}/check-stack.sh ${RFPEEK_STACK_LIMIT}
        ${CMAKE_BINARY_DIR}/CMakeFiles/rfpeek_core.dir ${CMAKE_BINARY_DIR}/CMakeFiles/rfpeek.dir)
  endif()

  if(DEFINED RFPEEK_SMOKE_RUNNER)
    set(runner ${RFPEEK_SMOKE_RUNNER})
  else()
    set(runner ${CMAKE_CROSSCOMPILING_EMULATOR})
  endif()
  set(libc glibc)
  if(RFPEEK_LIBC)
    set(libc ${RFPEEK_LIBC})
  endif()
  add_test(NAME budget_${name}_smoke
    COMMAND bash ${checks}/smoke-test.sh ${libc} $<TARGET_FILE:rfpeek> ${runner})

  if(RFPEEK_SOFT_FLOAT)
    add_test(NAME budget_${name}_soft_float
      COMMAND sh ${checks}/check-soft-float.sh ${CMAKE_READELF} ${CMAKE_OBJDUMP}
        $<TARGET_FILE:rfpeek>)
    # The same check must see a hard-float object.
    add_library(rfpeek_float_probe OBJECT ${here}/float-probe.c)
    # gcc hands the assembler its float options in a fixed order, soft last
    target_compile_options(rfpeek_float_probe PRIVATE -mhard-float -Wa,-mhard-float)
    add_test(NAME budget_${name}_float_check_sees_hard_float
      COMMAND sh ${checks}/check-soft-float.sh --must-find ${CMAKE_READELF} ${CMAKE_OBJDUMP}
        $<TARGET_OBJECTS:rfpeek_float_probe>)
  endif()

  if(TARGET rfpeek_stage AND RFPEEK_HOST_STAGE)
    add_test(NAME ${name}_replay_matches_host
      COMMAND bash ${checks}/replay-matches-host.sh ${RFPEEK_HOST_STAGE}
        $<TARGET_FILE:rfpeek_stage> ${here}/../fuzz ${runner})
  endif()
endfunction()

# Here, not in the deferred call: ctest files are only written for
# directories that enabled testing while they were read.
enable_testing()
if(TARGET rfpeek)
  rfpeek_budget_apply()
else()
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL rfpeek_budget_apply)
endif()
