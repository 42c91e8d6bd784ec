#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-only
# check-needed.sh <readelf> <binary> dynamic|static
#   dynamic: no NEEDED entry may name libstdc++ or libgcc_s (the router may
#            have neither), and there must be a NEEDED list at all.
#   static:  no program interpreter and no NEEDED entry whatsoever.
readelf=$1 bin=$2 kind=$3
[ -f "$bin" ] || { echo "FAIL: no binary $bin"; exit 1; }
dyn=$("$readelf" -d "$bin") || { echo "FAIL: $readelf -d $bin"; exit 1; }
needed=$(printf '%s\n' "$dyn" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
echo "NEEDED:" $needed
case $kind in
dynamic)
	[ -n "$needed" ] || { echo "FAIL: no NEEDED list: not a dynamic binary"; exit 1; }
	if printf '%s\n' "$needed" | grep -E '^lib(stdc\+\+|gcc_s)\.'; then
		echo "FAIL: $bin needs a C++ runtime library"
		exit 1
	fi ;;
static)
	[ -z "$needed" ] || { echo "FAIL: a static binary with NEEDED entries"; exit 1; }
	if "$readelf" -l "$bin" | grep -q INTERP; then
		echo "FAIL: $bin asks for a program interpreter"
		exit 1
	fi ;;
*)
	echo "usage: check-needed.sh <readelf> <binary> dynamic|static"
	exit 2 ;;
esac
