#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-only
# The kernel bench's own checks, in five boots: the ath9k stand-in, then the
# ath10k one, inside a VM (selftest/stand-in.sh), then vm-run's contract
# (arguments, outputs, preload and inject, --sample-delay, --no-spectral,
# --ap, the command time limit, --ht40, --htc, --silent-radio,
# --no-spectral-ops, --ath10k, --5ghz).
# Prints one "ok"/"not ok" line per check and "N passed, N failed".
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
vm=$here/vm-run

. "$here/e2e/common.sh"   # work dir, ok/bad/expect, finish
same_file() { # NAME EXPECTED_FILE ACTUAL_FILE
	if cmp -s "$2" "$3"; then ok "$1"; else bad "$1: $3 differs from $2"; fi
}
t0=$(date +%s.%N)
secs() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }'; }
# booted N NAME, right after boot N's vm-run: its time, NAME checks it ran, its log if not
booted() {
	local rc=$?
	echo "# boot $1: $(secs "$s") s"
	expect "$2" 0 $rc
	[ $rc = 0 ] || sed 's/^/#   /' "$work/b$1.log"
}

# Usage errors are bench failures (exit 2) and need no boot.
"$here/setup" --quiet || { bad "setup"; echo "$pass passed, $failed failed"; exit 1; }
# The program that stands in for rfpeek, and boot 1's CPU count: on the MIPS
# guest the static soft-float iw built for it and one CPU (a 24Kc has no
# second), so there the one-relay-file check sees a single CPU.
prog=$(command -v iw) smp=2
if [ "${RFPEEK_VM_ARCH:-x86_64}" = mips ]; then
	. "$here/lib.sh"
	prog=$(cat "$(cat "$KB_BUILD/mips-current")/userland")/iw smp=1
fi
"$vm" --out "$work/u" >/dev/null 2>&1
expect "vm-run without a command is a usage error" 2 $?
"$vm" --bogus --out "$work/u" -- true >/dev/null 2>&1
expect "vm-run with an unknown option is a usage error" 2 $?
"$vm" --preload "$work/missing" --out "$work/u" -- true >/dev/null 2>&1
expect "vm-run with a missing preload file fails" 2 $?
head -c 262145 /dev/zero >"$work/big"
"$vm" --inject "$work/big" --out "$work/u" -- true >/dev/null 2>&1
expect "vm-run refuses an injection over 256 KiB" 2 $?
"$vm" --radios 0 --out "$work/u" -- true >/dev/null 2>&1
expect "vm-run refuses --radios 0" 2 $?
for d in x 60001 -1; do
	"$vm" --sample-delay "$d" --out "$work/u" -- true >/dev/null 2>&1
	expect "vm-run refuses --sample-delay $d" 2 $?
done
"$vm" --no-spectral --htc --out "$work/u" -- true >/dev/null 2>&1
expect "vm-run refuses --no-spectral with a stand-in option" 2 $?
for a in "--ath10k --htc" "--ath10k --no-spectral" "--5ghz 30" "--5ghz 80 --ap"; do
	"$vm" $a --out "$work/u" -- true >/dev/null 2>&1
	expect "vm-run refuses $a" 2 $?
done

# Boot 1: the stand-in's files (two vCPUs on x86_64, so that one relay file
# for all CPUs is a real check). Alone: with the other boots beside it on
# two cores, an iw scan in it now and then never ended (6.12).
(
	s=$(date +%s.%N)
	RFPEEK_VM_SMP=$smp RFPEEK_BIN=none "$vm" --radios 3 --out "$work/b1" \
		--script "$here/selftest/stand-in.sh" >"$work/b1.log" 2>&1
	echo $? >"$work/b1.rc"
	secs "$s" >"$work/b1.time"
)

# Boot 2: arguments, outputs, preload and inject through vm-run, with a
# long sample delay: the command ends before its trigger's delivery, which
# still reaches relay_after. Any program stands in for rfpeek: what matters
# is that it runs from PATH (on x86_64 with its shared libraries).
head -c 262144 /dev/urandom >"$work/pre"
head -c 777 /dev/urandom >"$work/inj"
mkdir -p "$work/b2/files"
echo stale >"$work/b2/files/stale"
s=$(date +%s.%N)
RFPEEK_BIN=$prog "$vm" --preload "$work/pre" --inject "$work/inj" --sample-delay 2000 --out "$work/b2" -- \
	sh -c '
		printf "[%s]\n" "$0" "$@"
		ls -A | wc -l
		rfpeek --version
		echo to-stderr >&2
		A=/sys/kernel/debug/ieee80211/phy0/ath9k
		cat $A/spectral_scan0 >pre_back
		echo manual >$A/spectral_scan_ctl
		echo trigger >$A/spectral_scan_ctl
		cat $A/spectral_scan0 | wc -c >early
		echo chanscan >$A/spectral_scan_ctl
		echo 37 >$A/spectral_count
		mkdir sub && echo nested >sub/f
		exit 7' \
	zero 'a b' "it's" '' 'line1
line2' '$HOME' '*' >"$work/b2.log" 2>&1
booted 2 "vm-run exits 0 when the command fails"
expect "arguments arrive unchanged" "[zero]
[a b]
[it's]
[]
[line1
line2]
[\$HOME]
[*]
0
iw version $(iw --version | sed 's/^iw version //')" "$(cat "$work/b2/stdout" 2>&1)"
expect "stderr" "to-stderr" "$(cat "$work/b2/stderr" 2>&1)"
expect "status holds the command's exit status" "7" "$(cat "$work/b2/status" 2>&1)"
expect "ctl_after holds the mode left behind" "chanscan" "$(cat "$work/b2/ctl_after" 2>&1)"
expect "count_after holds the count left behind" "37" "$(cat "$work/b2/count_after" 2>&1)"
expect "--sample-delay 2000: nothing in the relay right after the trigger" "0" "$(cat "$work/b2/files/early" 2>&1)"
same_file "--preload: 256 KiB in the relay before the command" "$work/pre" "$work/b2/files/pre_back"
same_file "--inject: the trigger's late delivery brought exactly the file, relay_after has it" "$work/inj" "$work/b2/relay_after"
expect "files/ holds the working directory" "nested" "$(cat "$work/b2/files/sub/f" 2>&1)"
expect "files/ from an earlier run is replaced" "no" "$([ -e "$work/b2/files/stale" ] && echo yes || echo no)"

# Boot 3: no module, an access point, two radios, the command time limit.
s=$(date +%s.%N)
RFPEEK_VM_CMD_TIMEOUT=5 RFPEEK_BIN=none "$vm" --no-spectral --ap --radios 2 --out "$work/b3" -- \
	sh -c '
		ls /sys/kernel/debug/ieee80211/phy0
		ls /sys/kernel/debug/rfpeek_bench 2>/dev/null || echo no-knobs
		iw dev wlan0 info | grep -E "type|channel"
		iw dev | grep -c Interface
		command -v rfpeek || echo no-rfpeek
		echo waiting
		sleep 100
		echo not-reached' >"$work/b3.log" 2>&1
booted 3 "vm-run exits 0 when the command is killed"
out=$(cat "$work/b3/stdout" 2>&1)
expect "--no-spectral: no ath9k directory, no knobs" "no no-knobs" \
	"$(grep -qx ath9k <<<"$out" && echo yes || echo no) $(grep -x no-knobs <<<"$out")"
expect "--ap: wlan0 is a beaconing AP on channel 1" "type AP channel 1 (2412 MHz)" \
	"$(grep -E 'type|channel' <<<"$out" | sed 's/^[[:space:]]*//; s/,.*//' | tr '\n' ' ' | sed 's/ $//')"
expect "--radios 2 gives two interfaces" "2" "$(sed -n '/^[0-9]*$/p' <<<"$out")"
expect "RFPEEK_BIN=none leaves rfpeek out" "no-rfpeek" "$(grep -x no-rfpeek <<<"$out")"
expect "the time limit kills the command" "waiting 137" "$(tail -n1 <<<"$out") $(cat "$work/b3/status" 2>&1)"
expect "the kill is reported on stderr" "1" "$(grep -c 'still running after 5 s' "$work/b3/stderr" 2>&1)"
expect "ctl_after, count_after and relay_after are empty without the module" "0 0 0" \
	"$(stat -c %s "$work/b3/ctl_after" 2>&1) $(stat -c %s "$work/b3/count_after" 2>&1) $(stat -c %s "$work/b3/relay_after" 2>&1)"

# Boot 4: the radio switches. The stand-in's own checks test what the
# knobs do; here, that each switch sets its part up.
s=$(date +%s.%N)
RFPEEK_BIN=none "$vm" --ht40 --htc --silent-radio --no-spectral-ops --out "$work/b4" -- \
	sh -c '
		D=/sys/kernel/debug/ieee80211/phy0
		K=/sys/kernel/debug/rfpeek_bench/phy0
		iw dev wlan0 info | grep -E "type|channel"
		ls $D | grep ath9k
		echo "$(cat $K/chip) $(cat $K/silent)"
		echo manual >$D/ath9k_htc/spectral_scan_ctl && echo 3 >$D/ath9k_htc/spectral_count' >"$work/b4.log" 2>&1
booted 4 "vm-run boots with the radio switches"
out=$(cat "$work/b4/stdout" 2>&1)
expect "--ht40: wlan0 is an AP on 2412 HT40+" "type AP channel 1 (2412 MHz) width: 40 MHz center1: 2422 MHz" \
	"$(grep -E 'type|channel' <<<"$out" | sed 's/^[[:space:]]*//' | tr -d ',' | tr '\n' ' ' | sed 's/ $//')"
expect "--htc: the files are under phy0/ath9k_htc only" "ath9k_htc" "$(grep ath9k <<<"$out")"
expect "--no-spectral-ops, --silent-radio: phy0's chip and radio" "ar5416 Y" "$(tail -n1 <<<"$out")"
expect "--no-spectral-ops: the mode write succeeds, ctl_after reads disable, count_after the count" \
	"0 disable 3" "$(cat "$work/b4/status") $(cat "$work/b4/ctl_after") $(cat "$work/b4/count_after")"

# Boot 5: --ath10k on a VHT80 access point (--5ghz 80): 88 MHz records
# of 128 and 256 bins, none of 64 (ath10k_spectral_process_fft drops
# them), and vm-run's outputs from the ath10k files.
s=$(date +%s.%N)
RFPEEK_BIN=none "$vm" --ath10k --5ghz 80 --out "$work/b5" -- \
	sh -c '
		A=/sys/kernel/debug/ieee80211/phy0/ath10k
		K=/sys/kernel/debug/rfpeek_bench/phy0/counters
		iw dev wlan0 info | grep -E "type|channel"
		ls /sys/kernel/debug/ieee80211/phy0 | grep ath
		echo manual >$A/spectral_scan_ctl
		echo 2 >$A/spectral_count
		for n in 64 128 256; do
			echo $n >$A/spectral_bins
			echo trigger >$A/spectral_scan_ctl
			i=0
			until grep -qx "pending 0" $K || [ $i -ge 250 ]; do usleep 20000; i=$((i + 1)); done
			cat $A/spectral_scan0 >r$n
		done
		grep discarded $K
		echo 3 >$A/spectral_count
		echo trigger >$A/spectral_scan_ctl' >"$work/b5.log" 2>&1
booted 5 "vm-run boots with --ath10k --5ghz 80"
out=$(cat "$work/b5/stdout" 2>&1)
expect "--5ghz 80: wlan0 is an AP on 5180 VHT80" "type AP channel 36 (5180 MHz) width: 80 MHz center1: 5210 MHz" \
	"$(grep -E 'type|channel' <<<"$out" | sed 's/^[[:space:]]*//' | tr -d ',' | tr '\n' ' ' | sed 's/ $//')"
expect "--ath10k: the files are under phy0/ath10k only" "ath10k" "$(grep ath <<<"$out")"
# TYPE LENGTH WIDTH FREQ1 FREQ2 of each record, repeats folded
hdr10() {
	od -An -tu1 -v "$1" | tr -s ' ' '\n' | sed '/^$/d' | awk '{ b[n++] = $1 }
		END { for (p = 0; p + 8 <= n; p += b[p+1] * 256 + b[p+2] + 3)
			print b[p], b[p+1] * 256 + b[p+2], b[p+3], b[p+4] * 256 + b[p+5], b[p+6] * 256 + b[p+7] }' | uniq
}
f=$work/b5/files
expect "ath10k at 80 MHz: no records of 64 bins; 128 and 256 bins sampled as 88 MHz around 5210" \
	"0 discarded 2 314 3 154 88 5210 0 570 3 282 88 5210 0" \
	"$(stat -c %s "$f/r64" 2>&1) $(grep discarded <<<"$out") $(stat -c %s "$f/r128" 2>&1) $(hdr10 "$f/r128") $(stat -c %s "$f/r256" 2>&1) $(hdr10 "$f/r256")"
expect "--ath10k: ctl_after and count_after from ath10k/, relay_after the last trigger's 3 records" \
	"manual 3 855" "$(cat "$work/b5/ctl_after") $(cat "$work/b5/count_after") $(stat -c %s "$work/b5/relay_after")"

echo "# boot 1: $(cat "$work/b1.time") s"
expect "boot 1 ran" "0 0" "$(cat "$work/b1.rc") $(cat "$work/b1/status" 2>&1)"
[ "$(cat "$work/b1.rc")" = 0 ] || sed 's/^/#   /' "$work/b1.log"
if [ -s "$work/b1/stdout" ]; then
	while IFS= read -r line; do
		case $line in
		"ok - "*) ok "stand-in: ${line#ok - }" ;;
		"not ok - "*) bad "stand-in: ${line#not ok - }" ;;
		esac
	done <"$work/b1/stdout"
fi
expect "stand-in checks ran to the end" "checks done" "$(tail -n1 "$work/b1/stdout" 2>&1)"
[ ! -s "$work/b1/stderr" ] || { echo "# stand-in stderr:"; sed 's/^/#   /' "$work/b1/stderr"; }

echo "# total: $(secs "$t0") s"
echo "$pass passed, $failed failed"
[ $failed = 0 ]
