# SPDX-License-Identifier: GPL-2.0-only
# Static rfpeek for x86_64 on Debian's musl-tools (cross/build-musl).
if(NOT RFPEEK_DEPS_DIR)
  set(RFPEEK_DEPS_DIR "${CMAKE_CURRENT_LIST_DIR}/../build-deps")
endif()
get_filename_component(RFPEEK_DEPS_DIR "${RFPEEK_DEPS_DIR}" ABSOLUTE)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES RFPEEK_DEPS_DIR)

set(RFPEEK_MUSL_ARCH_FLAGS "")
set(RFPEEK_MUSL_GCC /usr/bin/musl-gcc)
set(RFPEEK_MUSL_CXX /usr/bin/g++)
set(RFPEEK_MUSL_LIBS "${RFPEEK_DEPS_DIR}/x86_64-musl")
set(RFPEEK_KERNEL_HEADERS "${RFPEEK_DEPS_DIR}/kernel-headers/x86_64")
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")

set(RFPEEK_TARGET_NAME x86_64-musl)
set(RFPEEK_SMOKE_RUNNER "")
set(RFPEEK_LIBC musl)
