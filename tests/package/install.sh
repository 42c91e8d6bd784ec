#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-only
# install.sh <source dir>: the OpenWrt package's way through the build, as
# its cmake.mk takes it: configure with libnl-tiny chosen through
# pkg-config (libnl-tiny.pc), build, install into a staging directory with
# DESTDIR, and find there the one file the package copies, usr/sbin/rfpeek,
# where packaging/openwrt/Makefile takes it from. Also: the package build
# warns without -Werror, the staged rfpeek's --version is the package's
# PKG_VERSION, and the Makefile's Build/Prepare, run from a copy in a feed
# through stand-ins for OpenWrt's includes, stops with its advice unless
# RFPEEK_SOURCE_DIR names a checkout.
# libnl-tiny is not in Debian: the real one, as cross/build-deps installs it
# from OpenWrt's source (libnl-tiny.pc, headers in include/libnl-tiny, as
# OpenWrt stages them), with json-c 0.18; without that source, a stand-in
# libnl-tiny.pc over libnl-3's headers and libraries.
src=$1
[ -f "$src/CMakeLists.txt" ] || { echo "usage: install.sh <source dir>"; exit 2; }
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
deps=${RFPEEK_DEPS_DIR:-$src/build-deps}
tiny=$deps/x86_64-libnl-tiny-2023-12-05
jsonc=$deps/x86_64-json-c-0.18
pc_path=$tiny/lib/pkgconfig:$jsonc/lib/pkgconfig
real=0
if [ -f "$tiny/lib/pkgconfig/libnl-tiny.pc" ] && [ -f "$jsonc/lib/pkgconfig/json-c.pc" ]; then
	real=1
	echo "libnl-tiny 2023-12-05 and json-c 0.18 from $deps"
else
	echo "no libnl-tiny built by cross/build-deps in $deps: a stand-in libnl-tiny.pc over libnl-3"
	tiny=$tmp/libnl-tiny
	pc_path=$tiny/lib/pkgconfig
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
fi
# the staged binary runs here with the libraries it was built against
export LD_LIBRARY_PATH=$tiny/lib:$jsonc/lib

PKG_CONFIG_PATH=$pc_path cmake -S "$src" -B "$tmp/build" -DRFPEEK_LIBNL_TINY=ON \
	-DRFPEEK_TESTS=OFF -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_INSTALL_PREFIX=/usr >"$tmp/log" 2>&1 ||
	{ cat "$tmp/log"; echo "FAIL: configure with -DRFPEEK_LIBNL_TINY=ON"; exit 1; }
grep -q "^NL_INCLUDEDIR:INTERNAL=$tiny/include/libnl-tiny\$" "$tmp/build/CMakeCache.txt" ||
	{ grep '^NL_' "$tmp/build/CMakeCache.txt"; echo "FAIL: libnl-tiny.pc was not the one used"; exit 1; }
cmake --build "$tmp/build" -j2 >"$tmp/log" 2>&1 || { tail -30 "$tmp/log"; echo "FAIL: build"; exit 1; }
# -Werror is for development and CI builds (RFPEEK_WERROR): another compiler
# (OpenWrt's) may warn where this one does not.
flags=$(find "$tmp/build" -name flags.make)
grep -q -- '-Wall' "$tmp/build/CMakeFiles/rfpeek_core.dir/flags.make" ||
	{ echo "FAIL: no -Wall in rfpeek_core's flags.make: where are the compile flags?"; exit 1; }
! grep -l -- '-Werror' $flags || { echo "FAIL: -Werror in the package build's compile flags"; exit 1; }
DESTDIR=$tmp/stage cmake --install "$tmp/build" >"$tmp/log" 2>&1 ||
	{ cat "$tmp/log"; echo "FAIL: cmake --install"; exit 1; }
installed=$(cd "$tmp/stage" 2>/dev/null && find . ! -type d | sort)
echo "installed:" $installed
[ "$installed" = ./usr/sbin/rfpeek ] || { echo "FAIL: wanted exactly ./usr/sbin/rfpeek"; exit 1; }
[ -x "$tmp/stage/usr/sbin/rfpeek" ] || { echo "FAIL: usr/sbin/rfpeek is not executable"; exit 1; }
if [ $real = 1 ]; then
	needed=$(readelf -d "$tmp/stage/usr/sbin/rfpeek" | sed -n 's/.*Shared library: \[\(lib\(nl\|json\)[^]]*\)\]/\1/p' | tr '\n' ' ')
	[ "$needed" = "libnl-tiny.so.1 libjson-c.so.5 " ] ||
		{ echo "FAIL: the staged rfpeek needs '$needed', not libnl-tiny.so.1 and libjson-c.so.5 alone"; exit 1; }
fi
"$tmp/stage/usr/sbin/rfpeek" -h 2>/dev/null || { echo "FAIL: the installed rfpeek does not run"; exit 1; }
# What Package/rfpeek/install copies from $(PKG_INSTALL_DIR)
from=$(sed -n 's|.*$(INSTALL_BIN) $(PKG_INSTALL_DIR)/\([^ ]*\) .*|\1|p' "$src/packaging/openwrt/Makefile")
[ "$from" = usr/sbin/rfpeek ] ||
	{ echo "FAIL: the OpenWrt package installs '$from', not \$(PKG_INSTALL_DIR)/usr/sbin/rfpeek"; exit 1; }
echo "staged usr/sbin/rfpeek, built against libnl-tiny.pc, where the package takes it"

pkg_version=$(sed -n 's/^PKG_VERSION:=//p' "$src/packaging/openwrt/Makefile")
version=$("$tmp/stage/usr/sbin/rfpeek" --version)
[ "$version" = "rfpeek $pkg_version" ] ||
	{ echo "FAIL: PKG_VERSION is '$pkg_version', the built rfpeek says '$version' (CMake's project version)"; exit 1; }
echo "the staged rfpeek says '$version', as PKG_VERSION"

# Build/Prepare of a copy in a feed, through stand-ins for OpenWrt's includes.
top=$tmp/openwrt
mkdir -p "$top/include" "$tmp/feed"
cp -r "$src/packaging/openwrt" "$tmp/feed/rfpeek"
printf '%s\n' 'INCLUDE_DIR:=$(TOPDIR)/include' 'BUILD_DIR:=$(TOPDIR)/build_dir' 'CP:=cp -fpR' >"$top/rules.mk"
printf '%s\n' 'PKG_BUILD_DIR:=$(BUILD_DIR)/$(PKG_NAME)-$(PKG_VERSION)' 'define BuildPackage' \
	'prepare:' '	$$(Build/Prepare)' 'endef' >"$top/include/package.mk"
: >"$top/include/cmake.mk"
prepare() { env -u RFPEEK_SOURCE_DIR -u MAKEFLAGS -u MAKELEVEL make -s -C "$tmp/feed/rfpeek" TOPDIR="$top" "$@" prepare 2>&1; }
built=$top/build_dir/rfpeek-$pkg_version
out=$(prepare) && { echo "$out"; echo "FAIL: Build/Prepare in a feed without RFPEEK_SOURCE_DIR succeeded"; exit 1; }
advice=$(printf '%s\n' "$out" | grep '^rfpeek: RFPEEK_SOURCE_DIR=.*make package/rfpeek/compile RFPEEK_SOURCE_DIR=/path/to/rfpeek$')
[ -n "$advice" ] && [ ! -e "$built" ] ||
	{ echo "$out"; echo "FAIL: Build/Prepare in a feed without RFPEEK_SOURCE_DIR: no advice, or it went on"; exit 1; }
echo "in a feed without RFPEEK_SOURCE_DIR, Build/Prepare stops: $advice"
out=$(prepare RFPEEK_SOURCE_DIR="$src") && [ -f "$built/CMakeLists.txt" ] && [ -d "$built/src" ] ||
	{ echo "$out"; echo "FAIL: Build/Prepare with RFPEEK_SOURCE_DIR=$src left no CMakeLists.txt and src/ in $built"; exit 1; }
echo "in a feed with RFPEEK_SOURCE_DIR set, Build/Prepare copies the checkout"
