# SPDX-License-Identifier: GPL-2.0-only
# Big-endian MIPS32r2, o32, hard-float, glibc: Debian's g++-mips-linux-gnu.
# Libraries come from RFPEEK_MIPS_DEPS (cross/build-deps builds it); ctest
# runs the binaries under qemu-mips.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR mips)

if(NOT RFPEEK_MIPS_DEPS)
  set(RFPEEK_MIPS_DEPS "${CMAKE_CURRENT_LIST_DIR}/../build-deps/mips-gnu")
endif()
get_filename_component(RFPEEK_MIPS_DEPS "${RFPEEK_MIPS_DEPS}" ABSOLUTE)
# try_compile re-reads this file without the -D values.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES RFPEEK_MIPS_DEPS)

set(CMAKE_C_COMPILER mips-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER mips-linux-gnu-g++)
# 64-bit off_t and ino_t as musl always has them. Also needed under qemu:
# the host kernel hands a 64-bit process 64-bit directory offsets, which the
# 32-bit readdir() rejects with EOVERFLOW (an empty directory to the caller).
set(CMAKE_C_FLAGS_INIT "-march=mips32r2 -mabi=32 -mhard-float -D_FILE_OFFSET_BITS=64")
set(CMAKE_CXX_FLAGS_INIT "-march=mips32r2 -mabi=32 -mhard-float -D_FILE_OFFSET_BITS=64")

set(CMAKE_FIND_ROOT_PATH "${RFPEEK_MIPS_DEPS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config must see the MIPS .pc files only, never the host's.
set(ENV{PKG_CONFIG_LIBDIR} "${RFPEEK_MIPS_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# QEMU_LD_PREFIX (not only -L) so that a MIPS child a test starts, run by
# qemu through binfmt_misc, finds the MIPS loader too; QEMU_CPU likewise.
# Debian's MIPS glibc is hard-float, so these run on a 24Kf, the 24K with an
# FPU (the soft-float static build is the one checked on the FPU-less 24Kc).
# Tests whose names hold "HostOnly" open netlink sockets, which qemu-user
# refuses: they are left out of the list gtest_discover_tests reads here.
set(CMAKE_CROSSCOMPILING_EMULATOR
  /usr/bin/env QEMU_LD_PREFIX=/usr/mips-linux-gnu QEMU_CPU=24Kf "GTEST_FILTER=-*HostOnly*"
  qemu-mips -L /usr/mips-linux-gnu)

# Read by cmake/rfpeek-budget.cmake.
set(RFPEEK_TARGET_NAME mips-gnu)
# The target with the watch and ath10k is 45056 (44 KiB), not met by a PIE
# (52,540 bytes with ath10k: docs/budget.md); this limit holds the line.
set(RFPEEK_SIZE_BUDGET 53248)
set(RFPEEK_TOOL_PREFIX mips-linux-gnu-)
