# SPDX-License-Identifier: GPL-2.0-only
# Static rfpeek for big-endian MIPS32r2, o32, soft-float, as OpenWrt's MIPS
# routers run it: Debian's MIPS gcc with musl and compiler-rt's builtins,
# both built from Debian's source packages (cross/build-deps, cross/build-musl).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR mips)

if(NOT RFPEEK_DEPS_DIR)
  set(RFPEEK_DEPS_DIR "${CMAKE_CURRENT_LIST_DIR}/../build-deps")
endif()
get_filename_component(RFPEEK_DEPS_DIR "${RFPEEK_DEPS_DIR}" ABSOLUTE)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES RFPEEK_DEPS_DIR)

set(RFPEEK_MUSL_GCC "${RFPEEK_DEPS_DIR}/musl-mips-sf/bin/mips-linux-musl-sf-gcc")
set(RFPEEK_MUSL_CXX /usr/bin/mips-linux-gnu-g++)
# libnl-3 and json-c 0.16; cross/build-musl names mips-musl-sf-router (the
# routers' libnl-tiny and json-c 0.18) when cross/build-deps made it.
if(NOT RFPEEK_MUSL_LIBS)
  set(RFPEEK_MUSL_LIBS "${RFPEEK_DEPS_DIR}/mips-musl-sf")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES RFPEEK_MUSL_LIBS)
set(RFPEEK_KERNEL_HEADERS "${RFPEEK_DEPS_DIR}/kernel-headers/mips")
# As cross/build-deps built musl and the libraries (C goes through the
# wrapper, which adds them itself).
set(RFPEEK_MUSL_ARCH_FLAGS "-march=mips32r2 -mabi=32 -msoft-float -mno-abicalls -fno-pie")
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")

# The compiler is the wrapper, whose name tells CMake no binutils prefix:
# name the MIPS ones.
foreach(tool AR RANLIB STRIP NM READELF OBJCOPY OBJDUMP)
  string(TOLOWER ${tool} t)
  set(CMAKE_${tool} /usr/bin/mips-linux-gnu-${t} CACHE FILEPATH "")
endforeach()

# A static binary: plain qemu-mips, no loader prefix. The 24Kc has no FPU,
# like the routers: a hard-float instruction is SIGILL there, as on them.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env QEMU_CPU=24Kc qemu-mips)
set(RFPEEK_TARGET_NAME mips-musl)
# 144 KiB with the watch and ath10k, as the routers link it (libnl-tiny,
# json-c 0.18). libnl-3 alone adds about 16 KB: that build only holds the line.
if(RFPEEK_LIBNL_TINY)
  set(RFPEEK_SIZE_BUDGET 147456)
else()
  set(RFPEEK_SIZE_BUDGET 159744)
endif()
set(RFPEEK_SOFT_FLOAT ON)
set(RFPEEK_LIBC musl)
