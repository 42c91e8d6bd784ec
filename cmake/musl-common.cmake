# SPDX-License-Identifier: GPL-2.0-only
# Shared part of the static musl toolchains (musl-x86_64.cmake, musl-mips.cmake).
# In: RFPEEK_MUSL_ARCH_FLAGS (may be empty), RFPEEK_MUSL_GCC (the musl-gcc wrapper), RFPEEK_MUSL_CXX (the matching
# g++), RFPEEK_MUSL_LIBS (prefix with libnl and json-c built against that
# musl), RFPEEK_KERNEL_HEADERS (linux/, asm/, asm-generic/ only).
#
# musl-gcc is a C wrapper: C++ goes through g++ with the same driver file and
# the libstdc++ headers (header-only use: nothing of libstdc++ is linked),
# and rfpeek links with musl-gcc -static, as it links with the C driver.

foreach(v RFPEEK_MUSL_GCC RFPEEK_MUSL_CXX RFPEEK_MUSL_LIBS RFPEEK_KERNEL_HEADERS)
  if(NOT EXISTS "${${v}}" AND NOT v STREQUAL RFPEEK_MUSL_CXX)
    message(FATAL_ERROR "${v} (${${v}}) is missing: run cross/build-deps first")
  endif()
endforeach()

# The driver file (-specs) the wrapper hands to gcc.
file(STRINGS "${RFPEEK_MUSL_GCC}" _rfpeek_wrapper REGEX "-specs")
string(REGEX MATCH "-specs[ =]\"?([^\" ]+)" _rfpeek_m "${_rfpeek_wrapper}")
set(_rfpeek_driver_file "${CMAKE_MATCH_1}")
if(NOT EXISTS "${_rfpeek_driver_file}")
  message(FATAL_ERROR "no gcc driver file found in ${RFPEEK_MUSL_GCC}")
endif()

# libstdc++'s header dirs, as the C++ compiler itself lists them.
execute_process(COMMAND ${RFPEEK_MUSL_CXX} -x c++ -E -v /dev/null
  OUTPUT_QUIET ERROR_VARIABLE _rfpeek_v RESULT_VARIABLE _rfpeek_r)
if(NOT _rfpeek_r EQUAL 0)
  message(FATAL_ERROR "${RFPEEK_MUSL_CXX} -E -v failed")
endif()
string(REPLACE "\n" ";" _rfpeek_v "${_rfpeek_v}")
set(_rfpeek_cxx_inc "")
foreach(l IN LISTS _rfpeek_v)
  if(l MATCHES "^ (/.*/c\\+\\+/[^ ]*)$")
    get_filename_component(d "${CMAKE_MATCH_1}" REALPATH)
    string(APPEND _rfpeek_cxx_inc " -isystem ${d}")
  endif()
endforeach()
if(NOT _rfpeek_cxx_inc)
  message(FATAL_ERROR "no libstdc++ include dir found for ${RFPEEK_MUSL_CXX}")
endif()

set(CMAKE_C_COMPILER "${RFPEEK_MUSL_GCC}")
set(CMAKE_CXX_COMPILER "${RFPEEK_MUSL_CXX}")
# set, not appended: this file is read again for every try_compile.
set(CMAKE_C_FLAGS_INIT "${RFPEEK_MUSL_ARCH_FLAGS} -isystem ${RFPEEK_KERNEL_HEADERS}")
set(CMAKE_CXX_FLAGS_INIT "${RFPEEK_MUSL_ARCH_FLAGS} -specs=${_rfpeek_driver_file}${_rfpeek_cxx_inc}"
  " -isystem ${RFPEEK_KERNEL_HEADERS} -include ${CMAKE_CURRENT_LIST_DIR}/musl-cxx-compat.h")
string(CONCAT CMAKE_CXX_FLAGS_INIT ${CMAKE_CXX_FLAGS_INIT})
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# A C++ test program would need libstdc++, built for glibc: checks only compile.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH "${RFPEEK_MUSL_LIBS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} "${RFPEEK_MUSL_LIBS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# No gtest here: the unit tests run in the glibc builds. The budget checks do.
set(RFPEEK_TESTS OFF CACHE BOOL "Build the unit tests")
set(RFPEEK_STATIC ON)
