#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-only
# check-static-memory.sh <readelf> <binary> <limit bytes>: the binary's
# writable memory (size(1)'s data + bss: every allocated, writable section)
# must be below the limit. rfpeek allocates nothing: this is all it takes
# beyond its stack and the libraries'.
readelf=$1 bin=$2 limit=$3
[ -f "$bin" ] || { echo "FAIL: no binary $bin"; exit 1; }
sizes=$("$readelf" -S -W "$bin") || { echo "FAIL: $readelf could not read $bin"; exit 1; }
total=0
for hex in $(echo "$sizes" | sed 's/^ *\[ *[0-9]*\]//' | awk '$1 ~ /^\./ && $7 ~ /W/ && $7 ~ /A/ { print $5 }'); do
	total=$((total + 0x$hex))
done
echo "static memory (data + bss): $total bytes, limit $limit bytes"
[ "$total" -gt 0 ] || { echo "FAIL: no writable sections found in $bin"; exit 1; }
[ "$total" -lt "$limit" ] || { echo "FAIL: $bin holds $total bytes of static memory, limit $limit"; exit 1; }
