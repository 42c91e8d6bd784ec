#!/bin/sh
# install.sh <source dir>: the OpenWrt package's way through the build, as
# its cmake.mk takes it: configure with libnl-tiny chosen through
# pkg-config (libnl-tiny.pc), build, install into a staging directory with
# DESTDIR, and find there the one file the package copies, usr/sbin/rfpeek,
# where packaging/openwrt/Makefile takes it from.
# libnl-tiny is not in Debian: its stand-in is a libnl-tiny.pc as OpenWrt
# installs it (headers in include/libnl-tiny, -lnl-tiny), here over libnl-3's
# headers and libraries, of which it uses only what both have.
src=$1
[ -f "$src/CMakeLists.txt" ] || { echo "usage: install.sh <source dir>"; exit 2; }
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
tiny=$tmp/libnl-tiny
mkdir -p "$tiny/include/libnl-tiny" "$tiny/lib/pkgconfig"
ln -s /usr/include/libnl3/netlink "$tiny/include/libnl-tiny/netlink"
echo 'INPUT(-lnl-genl-3 -lnl-3)' >"$tiny/lib/libnl-tiny.so"
cat >"$tiny/lib/pkgconfig/libnl-tiny.pc" <<PC
prefix=$tiny
exec_prefix=\${prefix}
libdir=\${exec_prefix}/lib
includedir=\${prefix}/include/libnl-tiny

Name: libnl-tiny
Description: Convenience library for netlink sockets
Version: 2.0
Libs: -L\${libdir} -lnl-tiny
Cflags: -I\${includedir}
PC

PKG_CONFIG_PATH=$tiny/lib/pkgconfig cmake -S "$src" -B "$tmp/build" -DRFPEEK_LIBNL_TINY=ON \
	-DRFPEEK_TESTS=OFF -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_INSTALL_PREFIX=/usr >"$tmp/log" 2>&1 ||
	{ cat "$tmp/log"; echo "FAIL: configure with -DRFPEEK_LIBNL_TINY=ON"; exit 1; }
grep -q "^NL_INCLUDEDIR:INTERNAL=$tiny/include/libnl-tiny\$" "$tmp/build/CMakeCache.txt" ||
	{ grep '^NL_' "$tmp/build/CMakeCache.txt"; echo "FAIL: libnl-tiny.pc was not the one used"; exit 1; }
cmake --build "$tmp/build" -j2 >"$tmp/log" 2>&1 || { tail -30 "$tmp/log"; echo "FAIL: build"; exit 1; }
DESTDIR=$tmp/stage cmake --install "$tmp/build" >"$tmp/log" 2>&1 ||
	{ cat "$tmp/log"; echo "FAIL: cmake --install"; exit 1; }
installed=$(cd "$tmp/stage" 2>/dev/null && find . ! -type d | sort)
echo "installed:" $installed
[ "$installed" = ./usr/sbin/rfpeek ] || { echo "FAIL: wanted exactly ./usr/sbin/rfpeek"; exit 1; }
[ -x "$tmp/stage/usr/sbin/rfpeek" ] || { echo "FAIL: usr/sbin/rfpeek is not executable"; exit 1; }
"$tmp/stage/usr/sbin/rfpeek" -h 2>/dev/null || { echo "FAIL: the installed rfpeek does not run"; exit 1; }
# What Package/rfpeek/install copies from $(PKG_INSTALL_DIR)
from=$(sed -n 's|.*$(INSTALL_BIN) $(PKG_INSTALL_DIR)/\([^ ]*\) .*|\1|p' "$src/packaging/openwrt/Makefile")
[ "$from" = usr/sbin/rfpeek ] ||
	{ echo "FAIL: the OpenWrt package installs '$from', not \$(PKG_INSTALL_DIR)/usr/sbin/rfpeek"; exit 1; }
echo "staged usr/sbin/rfpeek, built against libnl-tiny.pc, where the package takes it"
