# Static rfpeek for big-endian MIPS32r2 (o32, hard-float) on musl built from
# Debian's source package (cross/build-deps, cross/build-musl).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR mips)

if(NOT RFPEEK_DEPS_DIR)
  set(RFPEEK_DEPS_DIR "${CMAKE_CURRENT_LIST_DIR}/../build-deps")
endif()
get_filename_component(RFPEEK_DEPS_DIR "${RFPEEK_DEPS_DIR}" ABSOLUTE)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES RFPEEK_DEPS_DIR)

set(RFPEEK_MUSL_GCC "${RFPEEK_DEPS_DIR}/musl-mips/bin/musl-gcc")
set(RFPEEK_MUSL_CXX /usr/bin/mips-linux-gnu-g++)
set(RFPEEK_MUSL_LIBS "${RFPEEK_DEPS_DIR}/mips-musl")
set(RFPEEK_KERNEL_HEADERS "${RFPEEK_DEPS_DIR}/kernel-headers/mips")
set(RFPEEK_MUSL_ARCH_FLAGS "-march=mips32r2 -mabi=32 -mhard-float")
include("${CMAKE_CURRENT_LIST_DIR}/musl-common.cmake")

# The compiler is the musl-gcc wrapper, whose name tells CMake no binutils
# prefix: name the MIPS ones.
foreach(tool AR RANLIB STRIP NM READELF OBJCOPY OBJDUMP)
  string(TOLOWER ${tool} t)
  set(CMAKE_${tool} /usr/bin/mips-linux-gnu-${t} CACHE FILEPATH "")
endforeach()

# A static binary: plain qemu-mips, no loader prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-mips)
set(RFPEEK_TARGET_NAME mips-musl)
set(RFPEEK_SIZE_BUDGET 163840)
