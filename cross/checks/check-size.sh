#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-only
# check-size.sh <strip> <binary> <limit bytes>: the stripped binary must be at
# most the limit. Strips a copy: the build's own binary keeps its symbols.
strip=$1 bin=$2 limit=$3
[ -f "$bin" ] || { echo "FAIL: no binary $bin"; exit 1; }
tmp=$(mktemp) || exit 1
trap 'rm -f "$tmp"' EXIT
"$strip" -o "$tmp" "$bin" || { echo "FAIL: $strip could not strip $bin"; exit 1; }
size=$(wc -c <"$tmp")
echo "stripped size: $size bytes ($((size / 1024)) KiB), limit $limit bytes"
[ "$size" -le "$limit" ] || { echo "FAIL: $bin is $size bytes stripped, limit $limit"; exit 1; }
