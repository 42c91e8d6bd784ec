#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-only
# replay-matches-host.sh <host rfpeek_stage> <target rfpeek_stage> <fuzz dir> [runner...]:
# both reports of both capture paths, as `rfpeek_stage replay FILE` prints
# them, must be the same bytes on the target (through the runner, e.g. qemu
# on a CPU without an FPU) as on the host, for every fuzz seed and every
# input the fuzzer once failed on.
host=$1 target=$2 fuzz=$3
shift 3
runner=("$@")
for f in "$host" "$target"; do
	[ -f "$f" ] || { echo "FAIL: no stage driver $f"; exit 1; }
done
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
n=0 differ=0
for f in "$fuzz"/corpus/* "$fuzz"/regressions/*; do
	[ -f "$f" ] || continue
	n=$((n + 1))
	"$host" replay "$f" >"$tmp/host" 2>&1
	hs=$?
	"${runner[@]}" "$target" replay "$f" >"$tmp/target" 2>&1
	ts=$?
	if [ $hs != 0 ] || [ $ts != $hs ] || ! cmp -s "$tmp/host" "$tmp/target"; then
		echo "DIFFERS: $f (status host $hs, target $ts)"
		cmp "$tmp/host" "$tmp/target" | head -1
		differ=$((differ + 1))
	fi
done
[ $n -gt 0 ] || { echo "FAIL: no inputs under $fuzz/corpus or $fuzz/regressions"; exit 1; }
echo "$n inputs, $differ with different output"
[ $differ = 0 ]
