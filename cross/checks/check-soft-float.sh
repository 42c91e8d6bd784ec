#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-only
# check-soft-float.sh <readelf> <objdump> <binary>: OpenWrt's MIPS routers
# have no FPU and their kernels no FPU emulator, so one floating-point
# instruction is a SIGILL there. The binary must be tagged soft-float and
# hold no coprocessor-1 instruction: COP1 and COP1X (opcodes 0x11, 0x13),
# their loads and stores (LWC1, LDC1, SWC1, SDC1) and MOVF/MOVT.
# check-soft-float.sh --must-find <readelf> <objdump> <object>: passes only
# if the hard-float probe object is seen as such (the check cannot go blind).
must_find=0
if [ "$1" = --must-find ]; then
	must_find=1
	shift
fi
readelf=$1 objdump=$2 bin=$3
[ -f "$bin" ] || { echo "FAIL: no binary $bin"; exit 1; }
attrs=$("$readelf" -A "$bin") || { echo "FAIL: $readelf -A $bin"; exit 1; }
printf '%s\n' "$attrs" | grep -E 'FP ABI|Tag_GNU_MIPS_ABI_FP'
hard_tag=0
printf '%s\n' "$attrs" | grep -E 'FP ABI|Tag_GNU_MIPS_ABI_FP' | grep -qv 'Soft float' && hard_tag=1
soft_tag=0
printf '%s\n' "$attrs" | grep -q 'FP ABI: *Soft float' && soft_tag=1
fpu=$("$objdump" -d "$bin" | awk -F'\t' '
	function hex(s,   i, v) {
		v = 0
		for (i = 1; i <= length(s); i++)
			v = v * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
		return v
	}
	# "  addr:<TAB>word <TAB>mnemonic..."; mawk has no {8}
	$1 ~ /^ *[0-9a-f]+:$/ && $2 ~ /^[0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f] *$/ {
		op = int(hex(substr($2, 1, 2)) / 4)
		funct = hex(substr($2, 7, 2)) % 64
		if (op == 17 || op == 19 || op == 49 || op == 53 || op == 57 || op == 61 ||
		    (op == 0 && funct == 1))
			print
	}')
count=$(printf '%s' "$fpu" | grep -c .)
echo "coprocessor-1 instructions: $count"
if [ $must_find = 1 ]; then
	[ $hard_tag = 1 ] || { echo "FAIL: the hard-float tag of $bin was not seen"; exit 1; }
	[ "$count" -gt 0 ] || { echo "FAIL: the FPU instructions of $bin were not seen"; exit 1; }
	exit 0
fi
if [ "$count" -gt 0 ]; then
	echo "FAIL: $bin holds FPU instructions, the first:"
	printf '%s\n' "$fpu" | head -10
	exit 1
fi
[ $hard_tag = 0 ] || { echo "FAIL: $bin carries a hard-float ABI tag"; exit 1; }
[ $soft_tag = 1 ] || { echo "FAIL: $bin is not tagged soft-float"; exit 1; }
echo "soft-float, no FPU instruction"
