#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-only
# rfpeek's failure paths on the kernel bench: a driver that refuses control
# words, relays holding junk, stop signals at many points, output that
# cannot be written. After every run the spectral scan must read "disable"
# and the relay must be empty; messages and exit statuses are exact.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
start=$SECONDS
boots=0

# ---------------------------------------------------------------------------
# Boot 1: the stand-in's synthetic samples.
guest_script "$work/synthetic.sh" <<'GUEST'
K=/sys/kernel/debug/rfpeek_bench/phy0
state() { # NAME: the mode, spectral_count and the relay's bytes right now
	cat $A/spectral_scan_ctl >"$1.ctl"
	cat $A/spectral_count >"$1.count"
	cat $A/spectral_scan0 | wc -c | tr -d ' ' >"$1.relay"
}
# the kernel's scan outlives a stopped rfpeek: end it before the next run
scan_idle() {
	iw dev wlan0 scan abort 2>/dev/null
	i=0
	while grep -q '^scanning 1' $K/counters && [ $i -lt 100 ]; do
		usleep 50000
		i=$((i + 1))
	done
}

# In this shell a write to a closed pipe kills the writer, so rfpeek's
# survival below is its own doing.
{ yes; echo $? >yes.rc; } | head -1 >/dev/null

# Refused control words. The run starts from a leftover "background" mode,
# so "disable" afterwards is rfpeek's own tear-down.
refuse() { # NAME FAIL_CTL COMMAND...
	name=$1
	echo background >$A/spectral_scan_ctl
	echo 1 >$K/reset
	echo "$2" >$K/fail_ctl
	shift 2
	run "$name" "$@"
	echo none >$K/fail_ctl
	cat $K/counters >"$name.counters"
	scan_idle
}
refuse manual manual rfpeek
refuse trigger trigger rfpeek
refuse trigger_busy "trigger 16" rfpeek -j
refuse chanscan chanscan rfpeek -F all
refuse count count rfpeek
refuse disable disable rfpeek -F 2412-2462
echo disable >$A/spectral_scan_ctl

# -o into a missing directory: nothing may touch the driver, so the mode
# and the relay's bytes stay as they were.
nodir() { # NAME COMMAND...
	name=$1
	shift
	echo chanscan >$A/spectral_scan_ctl
	printf stale >$K/preload
	echo 1 >$K/reset
	run "$name" "$@"
	cat $K/counters >"$name.counters"
	echo disable >$A/spectral_scan_ctl
}
nodir nodir rfpeek -o /nonexistent/report.json
nodir nodir_all rfpeek -F all -j -o /nonexistent/dir/all.json

# -o onto a full file system
mkdir -p /tmp/full
mount -t tmpfs -o size=16k tmpfs /tmp/full
dd if=/dev/zero of=/tmp/full/fill bs=1k 2>/dev/null
echo x 2>/dev/null >/tmp/full/probe
echo $? >full.probe
run fullfs rfpeek -o /tmp/full/report.json
run fullfs_all rfpeek -F 2412-2462 -o /tmp/full/all.json
scan_idle

# standard output closed
closed() { # NAME COMMAND...
	name=$1
	shift
	"$@" >&- 2>"$name.err"
	echo $? >"$name.rc"
	state "$name"
	scan_idle
}
closed closed rfpeek
closed closed_j rfpeek -j
closed closed_all rfpeek -F 2412-2462
# the free slot 1 must not go to a netlink socket: the report would be
# sent to the kernel, and a libc that leaves nothing buffered for the last
# flush would report success
rfpeek -d 1500 >&- 2>fd1.err &
pid=$!
usleep 700000
readlink /proc/$pid/fd/1 >fd1.link 2>/dev/null
[ -e /proc/$pid/status ] && echo 1 >fd1.alive
wait $pid
echo $? >fd1.rc

# A relay filled to the brim with stale bytes before the run: the run's
# own samples must neither be refused nor mixed with them.
stale() { # NAME COMMAND...
	name=$1
	shift
	dd if=/bin/busybox bs=4k skip=100 count=64 2>/dev/null | cat >$K/preload 2>/dev/null
	cat $K/counters >"$name.pre"
	echo 1 >$K/reset
	run "$name" "$@"
	cat $K/counters >"$name.counters"
	scan_idle
}
stale stale rfpeek
stale stale_all rfpeek -F 2412-2462

# Stop signals. NAME.t: start, signal and end times (1/100 s); NAME.cgt:
# 1 if rfpeek's handler was in place when the signal went. (A background
# job of this shell starts with SIGINT ignored, so an early SIGINT is lost
# rather than fatal.) DELAY "h": the moment the handlers are in place;
# rfpeek then runs at nice 10, so this shell, polling, sees that moment.
now() { # sets tnow, in 1/100 s, without a fork
	read -r up _ </proc/uptime
	tnow=$((${up%.*} * 100 + 1${up#*.} - 100)) # (see uptime_cs)
}
sigcgt() { # PID BIT: sets cgt
	cgt=0
	while read -r k v; do
		[ "$k" != SigCgt: ] || cgt=$(((0x$v & $2) != 0))
	done <"/proc/$1/status"
}
stop() { # NAME SIGNAL DELAY_MS COMMAND...
	name=$1 sig=$2 ms=$3
	shift 3
	case $sig in HUP) bit=1 ;; INT) bit=2 ;; TERM) bit=16384 ;; esac
	now
	t0=$tnow
	if [ "$ms" = h ]; then
		sh -c 'renice -n 10 -p $$ >/dev/null; exec "$@"' sh "$@" >"$name.out" 2>"$name.err" &
	else
		"$@" >"$name.out" 2>"$name.err" &
	fi
	pid=$!
	cgt=0
	if [ "$ms" = h ]; then
		while [ $cgt = 0 ] && [ -e /proc/$pid/status ]; do sigcgt $pid $bit 2>/dev/null; done
	else
		[ "$ms" = 0 ] || usleep $((ms * 1000))
		sigcgt $pid $bit 2>/dev/null
	fi
	# nothing that forks between the look at the handlers and the signal
	kill -"$sig" $pid 2>/dev/null
	echo $? >"$name.kill"
	now
	t1=$tnow
	echo $cgt >"$name.cgt"
	wait $pid
	echo $? >"$name.rc"
	now
	t2=$tnow
	state "$name"
	echo "$t0 $t1 $t2" >"$name.t"
	scan_idle
}
for ms in h 0 30 60 100 200 800 1500; do stop cur_int_$ms INT $ms rfpeek -d 2000; done
for ms in h 50 600; do stop cur_term_$ms TERM $ms rfpeek -d 2000; done
for ms in h 80 1000; do stop cur_hup_$ms HUP $ms rfpeek -d 2000; done
for ms in h 0 50 100 200 400 800 1600; do stop all_int_$ms INT $ms rfpeek -F all; done
for ms in h 300 1200; do stop all_term_$ms TERM $ms rfpeek -F all; done
for ms in h 150 1000; do stop all_hup_$ms HUP $ms rfpeek -F all; done
stop all_json_int_600 INT 600 rfpeek -F all -j
GUEST

# ---------------------------------------------------------------------------
# Boot 2: injected relay contents (the stand-in's own samples stop at the
# first injection).

# 200 records of random bytes behind valid headers (HT20 and HT20/40; shifts
# of 64 and more, all-zero bins, any frequency), with the header lines they
# must give and their number of bins: the first is HT20, so every HT20 one
# is completed to 64 and every HT20/40 one kept whole at 128.
python3 - "$work/hostile" <<'PY'
import random, sys
rng = random.Random(6)
out = bytearray()
heads = []
bins = 0
s8 = lambda b: b - 256 if b > 127 else b
half = lambda a, b: int((a + b) / 2)   # C's truncating division
for i in range(200):
    if i == 0 or rng.random() < 0.7:
        s = bytearray([1, 0, 73]) + bytes(rng.getrandbits(8) for _ in range(73))
        if i % 7 == 0:
            s[3] = rng.choice([0, 1, 63, 64, 65, 200, 255])
        if i % 20 == 5:
            s[20:] = bytes(56)
        heads.append("%d MHz  RSSI: %d dBm  Noise: %d dBm" % (s[4] << 8 | s[5], s8(s[6]), s8(s[7])))
        bins += 64
    else:
        s = bytearray([2, 0, 152]) + bytes(rng.getrandbits(8) for _ in range(152))
        if i % 3 == 0:
            s[3] = 3
        freq = s[4] << 8 | s[5]
        heads.append("%d MHz  RSSI: %d dBm  Noise: %d dBm" % (freq + 10 if s[3] == 3 else freq - 10,
                     half(s8(s[6]), s8(s[7])), half(s8(s[16]), s8(s[17]))))
        bins += 128
    out += s
open(sys.argv[1] + ".bin", "wb").write(out)
open(sys.argv[1] + ".heads", "w").write("\n".join(heads) + "\n")
open(sys.argv[1] + ".bins", "w").write("%d\n" % bins)
PY
# Bytes of a program, not of a driver (a stretch the walk goes far into):
# 64 KiB of the host's busybox, taken here so that every guest gets the same
# (MIPS's own busybox is another program, and shorter).
dd if=/bin/busybox bs=1k skip=1560 count=64 2>/dev/null >"$work/noise"
[ "$(wc -c <"$work/noise")" = 65536 ] || {
	bad "noise: /bin/busybox is shorter than 1624 KiB"
	finish
}
{
	echo "base64 -d >hostile <<'B64'"
	base64 "$work/hostile.bin"
	echo B64
	echo "base64 -d >noise <<'B64'"
	base64 "$work/noise"
	echo B64
	cat
} <<'GUEST' | guest_script "$work/inject.sh"
K=/sys/kernel/debug/rfpeek_bench/phy0
state() {
	cat $A/spectral_scan_ctl >"$1.ctl"
	cat $A/spectral_count >"$1.count"
	cat $A/spectral_scan0 | wc -c | tr -d ' ' >"$1.relay"
}
inject() { cat "$1" >$K/inject; }
# a decoder that never ends the walk shows as 137
guard() { timeout -s KILL 20 "$@"; }

# HT20 records (76 bytes): max_exp 0, rssi 10, noise -95, every bin 4
d4=
i=0
while [ $i -lt 56 ]; do d4="$d4\\004"; i=$((i + 1)); done
rec() { # FREQ (two octal escapes) [RSSI NOISE]
	printf "\\001\\000\\111\\000$1${2:-\\012}${3:-\\241}\\000\\004\\000\\000\\000\\000\\000\\000\\000\\000\\000\\000$d4"
}
rec '\011\205' >r2437
rec '\011\236' >r2462
cp r2437 full
i=0
while [ $i -lt 12 ]; do cat full full >x; mv x full; i=$((i + 1)); done
head -c 262144 full >x
mv x full

# 256 KiB of records, the relay's whole size: 256 reported, the rest drained
echo 1 >$K/reset
inject full
run full guard rfpeek
cat $K/counters >full.counters

# a reader that goes away after one line
pipe() { # NAME COMMAND...
	name=$1
	shift
	inject full
	{ guard "$@"; echo $? >"$name.rc"; } 2>"$name.err" | head -1 >"$name.out"
	state "$name"
}
pipe pipe rfpeek
pipe pipe_j rfpeek -j

# the driver refuses "disable": the relay must still be drained
inject full
echo disable >$K/fail_ctl
run nodisable guard rfpeek
echo none >$K/fail_ctl
echo disable >$A/spectral_scan_ctl
cat $A/spectral_scan0 >/dev/null

# Junk records around two good ones: unknown type 0 (length 8), a type 1
# too short for HT20, type 255 of length 0, a type 2 too short for
# HT20/40.
{
	printf '\000\000\010ABCDEFGH'
	cat r2437
	printf '\001\000\020ABCDEFGHIJKLMNOP'
	printf '\377\000\000'
	printf '\002\000\111'
	head -c 73 /bin/busybox
	cat r2462
} >junk
inject junk
run junk guard rfpeek
inject noise
run noise guard rfpeek
inject noise
run noise_j guard rfpeek -j
inject hostile
run hostile guard rfpeek
inject hostile
run hostile_j guard rfpeek -j
# a relay that ends inside a record
{ cat r2437; head -c 40 r2462; } >half
inject half
run half guard rfpeek
# a length of 0xfffd: a record of length 0 in 16 bits
{ cat r2437; printf '\001\377\375'; cat r2462; } >fffd
inject fffd
run fffd guard rfpeek

# Standard output closed, and a text report of exactly 7 x 4 KiB (19
# records, rssi 5, noise 10): no stdio buffer is left over for the last
# flush to fail on.
rec '\011\205' '\005' '\012' >r5
: >k19
i=0
while [ $i -lt 19 ]; do cat r5 >>k19; i=$((i + 1)); done
inject k19
run k19 guard rfpeek
inject k19
guard rfpeek >&- 2>closed4k.err
echo $? >closed4k.rc
state closed4k

# a full relay of stale bytes, then one fresh record
dd if=/bin/busybox bs=4k skip=200 count=64 2>/dev/null | cat >$K/preload 2>/dev/null
cat $K/counters >stale.pre
echo 1 >$K/reset
inject r2462
run stale guard rfpeek
cat $K/counters >stale.counters
GUEST

boot --out "$work/a" --script "$work/synthetic.sh"
boots=$((boots + 1))
boot --out "$work/b" --script "$work/inject.sh"
boots=$((boots + 1))

# Boot 3: a radio that samples nothing (idle, or radar detection on).
guest_script "$work/silent.sh" <<'GUEST'
run silent rfpeek -d 0
run silent_j rfpeek -j
run silent_all rfpeek -F 2412-2462
cat /sys/kernel/debug/rfpeek_bench/phy0/counters >silent.counters
run silent_w rfpeek -w --frames 2 -F 2412-2462
GUEST
boot --silent-radio --out "$work/c" --script "$work/silent.sh"
boots=$((boots + 1))

# Boot 4: a chip without spectral scan (AR5416): every word is taken and
# the mode stays "disable".
guest_script "$work/noops.sh" <<'GUEST'
run noops rfpeek
run noops_all rfpeek -F 2412-2462 -j
cat /sys/kernel/debug/rfpeek_bench/phy0/counters >noops.counters
GUEST
boot --no-spectral-ops --out "$work/d" --script "$work/noops.sh"
boots=$((boots + 1))

# ---------------------------------------------------------------------------
f=$work/a/files
val() { cat "$f/$1" 2>/dev/null; }
counter() { sed -n "s/^$2 //p" "$f/$1"; }
clean() { # NAME [MODE]: the state right after the run
	expect "$1: spectral scan ${2:-disable} after the run" "${2:-disable}" "$(val "$1.ctl")"
	expect "$1: relay empty after the run" 0 "$(val "$1.relay")"
	expect "$1: spectral_count as found" $boot_count "$(val "$1.count")"
}
# headers, then one blank line, then 64 bins per header
text_complete() { # FILE
	local h b
	h=$(text_headers "$1" | wc -l)
	b=$(text_bins "$1" | wc -l)
	grep -qx '' "$1" && [ "$b" = $((64 * h)) ] && echo "$h"
}
channels() { text_headers "$1" | awk '{print $1}' | sort -u | tr '\n' ' ' | sed 's/ $//'; }
json_summary() { # FILE: records, bins, every pair two finite numbers
	python3 - "$1" <<'PY'
import json, math, sys
try:
    d = json.load(open(sys.argv[1]))
    r = d["scan_results"]
    fin = all(len(p) == 2 and all(isinstance(v, (int, float)) and math.isfinite(v) for v in p)
              for p in r)
    print(len(d["scan_channels"]), len(r), fin, list(d) == ["scan_channels", "scan_results"])
except Exception as e:
    print("unparsable:", e)
PY
}

expect "guest shell: SIGPIPE kills a writer (control)" 141 "$(val yes.rc)"

for n in manual trigger trigger_busy; do
	expect "refused $n: message" "Error: failed to trigger spectral scan" "$(val $n.err)"
	expect "refused $n: exit 1" 1 "$(val $n.rc)"
	expect "refused $n: no report" "" "$(val $n.out)"
	clean "$n"
done
expect "refused chanscan: message" "Error: failed to enable chanscan mode" "$(val chanscan.err)"
expect "refused chanscan: exit 1" 1 "$(val chanscan.rc)"
expect "refused chanscan: no report" "" "$(val chanscan.out)"
expect "refused chanscan: no scan started" 0 "$(counter chanscan.counters scan_channel_changes)"
clean chanscan

expect "refused spectral_count: no message" "" "$(val count.err)"
expect "refused spectral_count: exit 0" 0 "$(val count.rc)"
expect_match "refused spectral_count: a whole report" '^[1-9][0-9]*$' "$(text_complete "$f/count.out")"
clean count

# "disable" refused: the report stands, the relay is drained, and the
# scan left running must be reported: a "Warning: " with exit 0, or an
# "Error: " with exit 1.
refused_disable() { # NAME DIR RECORDS MODE
	local d=$2/files err rc
	err=$(cat "$d/$1.err")
	rc=$(cat "$d/$1.rc")
	expect "refused disable ($1): the report" "$3" "$(text_complete "$d/$1.out")"
	expect "refused disable ($1): the driver kept its mode" "$4" "$(cat "$d/$1.ctl")"
	expect "refused disable ($1): relay drained all the same" 0 "$(cat "$d/$1.relay")"
	case $err in
	Warning:*disabl*) expect "refused disable ($1): exit 0 after a warning" 0 "$rc" ;;
	Error:*disabl*) expect "refused disable ($1): exit 1 after an error" 1 "$rc" ;;
	*) bad "refused disable ($1): the scan is left on ($4) without a word: stderr [$err], exit $rc" ;;
	esac
}
refused_disable disable "$work/a" "$(text_headers "$f/disable.out" | wc -l)" chanscan
expect "refused disable (disable): the planned channels" "2412 2432 2452" "$(channels "$f/disable.out")"

for n in nodir nodir_all; do
	path=/nonexistent/report.json
	[ $n = nodir ] || path=/nonexistent/dir/all.json
	expect "$n: message" "Error: cannot open '$path'" "$(val $n.err)"
	expect "$n: exit 1" 1 "$(val $n.rc)"
	expect "$n: nothing on stdout" "" "$(val $n.out)"
	expect "$n: the driver's mode untouched" chanscan "$(val $n.ctl)"
	expect "$n: the relay untouched" 5 "$(val $n.relay)"
	expect "$n: no trigger" 0 "$(counter $n.counters triggers)"
done

expect "full tmpfs: a write fails there (control)" 1 "$(val full.probe)"
for n in fullfs fullfs_all; do
	expect "$n: message" "Error: cannot write output" "$(val $n.err)"
	expect "$n: exit 1" 1 "$(val $n.rc)"
	clean "$n"
done
for n in closed closed_j closed_all; do
	expect "$n: message" "Error: cannot write output" "$(val $n.err)"
	expect "$n: exit 1" 1 "$(val $n.rc)"
	clean "$n"
done

expect "closed stdout: still running when looked at (premise)" 1 "$(val fd1.alive)"
expect "closed stdout: fd 1 during the run is no socket" "" "$(grep '^socket:' "$f/fd1.link")"
expect "closed stdout (long dwell): message" "Error: cannot write output" "$(val fd1.err)"
expect "closed stdout (long dwell): exit 1" 1 "$(val fd1.rc)"

for n in stale stale_all; do
	pre=$(counter $n.pre preloaded)
	if [ "${pre:-0}" -ge 250000 ]; then ok "$n: relay filled before the run ($pre bytes)"; else
		bad "$n: relay not filled before the run ($pre bytes)"; fi
	expect "$n: exit 0" 0 "$(val $n.rc)"
	expect "$n: no samples refused by a full relay" 0 "$(counter $n.counters dropped)"
	clean "$n"
done
# one trigger: one or two FFTs (ath9k's short repeat)
expect "stale: only the fresh records" "" \
	"$(text_headers "$f/stale.out" | grep -vx "2412 MHz  RSSI: 17 dBm  Noise: -95 dBm")"
expect_match "stale: completed" '^[12]$' "$(text_complete "$f/stale.out")"
expect "stale_all: the planned channels, each sampled" "2412 2432 2452" "$(channels "$f/stale_all.out")"

# A stop: exit 0 with a whole report and nothing on stderr (no scan
# warning), within a second of the signal. Before the handlers exist:
# the signal's own death with nothing done, or, for the inherited ignored
# SIGINT, a normal run. "No handler" was only true when SigCgt was read:
# rfpeek may install its handlers before the kill lands, and then the
# handled exit is just as sound.
check_stop() { # NAME SIGNUM
	local n=$1 t0 t1 t2 rc out early=0
	read -r t0 t1 t2 <"$f/$n.t"
	rc=$(val "$n.rc")
	clean "$n"
	if [ "$(val "$n.cgt")" = 0 ] && [ "$(val "$n.kill")" = 0 ]; then
		early=1
		if [ "$2" != 2 ] && [ "$rc" != 0 ]; then
			expect "$n: sent before the handlers: killed by it" $((128 + $2)) "$rc"
			expect "$n: sent before the handlers: no output" "" "$(val "$n.out")$(val "$n.err")"
			return
		fi
	fi
	expect "$n: exit 0" 0 "$rc"
	expect "$n: nothing on stderr" "" "$(val "$n.err")"
	case $n in
	*json*) out=$(json_summary "$f/$n.out")
		expect_match "$n: a whole JSON report" '^([0-9]+) ([0-9]+) True True$' "$out"
		set -- $out
		expect "$n: 64 bins per record" $((64 * $1)) "$2" ;;
	# a stop before the trigger's FFTs came ends the wait for them, and
	# without a word: then the report is empty
	cur*) expect_match "$n: the trigger's records, complete" '^[0-2]$' "$(text_complete "$f/$n.out")" ;;
	*) expect_match "$n: a whole text report" '^[0-9]+$' "$(text_complete "$f/$n.out")" ;;
	esac
	if [ $early = 1 ] && [ "$2" = 2 ]; then
		ok "$n: SIGINT sent before the handlers were seen: ignored as inherited or handled; ran $(((t2 - t0) * 10)) ms"
	elif [ $early = 1 ]; then
		ok "$n: signal sent as the handlers went in: handled; ran $(((t2 - t0) * 10)) ms"
	elif [ "$(val "$n.kill")" != 0 ]; then
		ok "$n: finished before the signal ($(((t2 - t0) * 10)) ms)"
	elif [ $((t2 - t1)) -le 100 ]; then
		ok "$n: ended $(((t2 - t1) * 10)) ms after the signal"
	else
		bad "$n: ended $(((t2 - t1) * 10)) ms after the signal (sent $(((t1 - t0) * 10)) ms after the start)"
	fi
}
for t in "$f"/*.t; do
	n=$(basename "$t" .t)
	case $n in
	*_int_*) check_stop "$n" 2 ;;
	*_term_*) check_stop "$n" 15 ;;
	*_hup_*) check_stop "$n" 1 ;;
	esac
done
expect_clean "boot 1 at its end" "$work/a"

# ---------------------------------------------------------------------------
f=$work/b/files
rec2437="2437 MHz  RSSI: 10 dBm  Noise: -95 dBm"

expect "full relay: all 256 KiB injected" 262144 "$(counter full.counters injected)"
expect "full relay: exit 0" 0 "$(val full.rc)"
expect "full relay: nothing on stderr" "" "$(val full.err)"
expect "full relay: 256 records, complete" 256 "$(text_complete "$f/full.out")"
expect "full relay: every record decoded right" 256 "$(text_headers "$f/full.out" | grep -cx "$rec2437")"
clean full

expect "| head -1: the first line" "$rec2437" "$(val pipe.out)"
expect "-j | head -1: the first line" "{" "$(val pipe_j.out)"
for n in pipe pipe_j; do
	expect "$n: not killed by SIGPIPE; message" "Error: cannot write output" "$(val $n.err)"
	expect "$n: exit 1" 1 "$(val $n.rc)"
	clean "$n"
done

refused_disable nodisable "$work/b" 256 manual

expect "junk: exit 0" 0 "$(val junk.rc)"
expect "junk: nothing on stderr" "" "$(val junk.err)"
expect "junk: the two good records" "$rec2437
2462 MHz  RSSI: 10 dBm  Noise: -95 dBm" "$(text_headers "$f/junk.out")"
expect "junk: complete" 2 "$(text_complete "$f/junk.out")"
clean junk

expect "noise: exit 0 (text)" 0 "$(val noise.rc)"
expect "noise: exit 0 (JSON)" 0 "$(val noise_j.rc)"
expect "noise: nothing on stderr" "" "$(val noise.err)$(val noise_j.err)"
h=$(text_headers "$f/noise.out" | wc -l)
b=$(text_bins "$f/noise.out" | wc -l)
expect "noise: the JSON holds what the text does" "$h $b True True" "$(json_summary "$f/noise_j.out")"
expect_match "noise: a whole text report" '^[0-9]+$' "$(text_complete "$f/noise.out")"
echo "# noise decoded to $h records, $b bins"
clean noise
clean noise_j

expect "hostile: exit 0 (text)" 0 "$(val hostile.rc)"
expect "hostile: exit 0 (JSON)" 0 "$(val hostile_j.rc)"
expect "hostile: nothing on stderr" "" "$(val hostile.err)$(val hostile_j.err)"
expect "hostile: each record's header" "$(cat "$work/hostile.heads")" "$(text_headers "$f/hostile.out")"
hbins=$(cat "$work/hostile.bins")
expect "hostile: 200 records, HT20 ones completed, HT20/40 ones whole" "200 $hbins" \
	"$(text_headers "$f/hostile.out" | wc -l) $(text_bins "$f/hostile.out" | wc -l)"
expect "hostile: every bin line finite" 0 \
	"$(text_bins "$f/hostile.out" | grep -Evc '^ *-?[0-9]+\.[0-9]{4}  +-?[0-9]+\.[0-9]$')"
expect "hostile: the JSON holds the same, finite" "200 $hbins True True" "$(json_summary "$f/hostile_j.out")"
clean hostile
clean hostile_j

for n in half fffd; do
	expect "$n: exit 0" 0 "$(val $n.rc)"
	expect "$n: nothing on stderr" "" "$(val $n.err)"
	expect "$n: only the whole record before it" "$rec2437" "$(text_headers "$f/$n.out")"
	expect "$n: complete" 1 "$(text_complete "$f/$n.out")"
	clean "$n"
done

expect "closed stdout, 28 KiB report: the report is 7 x 4096 bytes (premise)" 28672 \
	"$(wc -c <"$f/k19.out" | tr -d ' ')"
expect "closed stdout, 28 KiB report: message" "Error: cannot write output" "$(val closed4k.err)"
expect "closed stdout, 28 KiB report: exit 1" 1 "$(val closed4k.rc)"
clean closed4k

pre=$(counter stale.pre preloaded)
if [ "${pre:-0}" -ge 250000 ]; then ok "stale: relay filled before the run ($pre bytes)"; else
	bad "stale: relay not filled before the run ($pre bytes)"; fi
expect "stale: exit 0" 0 "$(val stale.rc)"
expect "stale: the fresh record was not refused" 76 "$(counter stale.counters injected)"
expect "stale: only the fresh record" "2462 MHz  RSSI: 10 dBm  Noise: -95 dBm" \
	"$(text_headers "$f/stale.out")"
clean stale
expect_clean "boot 2 at its end" "$work/b"

# ---------------------------------------------------------------------------
f=$work/c/files
expect "silent radio: triggered all the same (premise)" "triggers 2" "$(grep '^triggers' "$f/silent.counters")"
for n in silent silent_j silent_all; do
	expect "silent radio ($n): the warning" "$no_samples" "$(val $n.err)"
	expect "silent radio ($n): exit 0" 0 "$(val $n.rc)"
	clean "$n"
done
expect "silent radio: the empty text report" "" "$(val silent.out)"
expect "silent radio: the empty JSON report" "0 0 True True" "$(json_summary "$f/silent_j.out")"
expect "silent radio, -F: the empty text report" "" "$(val silent_all.out)"
# a watch: each frame's scan and its frame find nothing, the warning comes once
expect "silent radio, watch -F: the warning once" "$no_samples" "$(val silent_w.err)"
expect "silent radio, watch -F: exit 0" 0 "$(val silent_w.rc)"
expect "silent radio, watch -F: header, 2 blank frames, an empty table" "M D f f _ T" \
	"$(LC_ALL=C awk '
	/^     MHz / { printf "M "; next }
	/^     dBm / { printf "D "; next }
	/^[0-2][0-9]:[0-5][0-9]:[0-5][0-9] [ .:=+*#@-]*$/ { printf(substr($0, 10) ~ /[^ ]/ ? "F " : "f "); next }
	/^$/ { printf "_ "; next }
	$0 == "   MHz  width  records     avg     max  duty %" { printf "T "; next }
	{ printf "? " }' "$f/silent_w.out" | sed 's/ $//')"
clean silent_w
expect_clean "boot 3 at its end" "$work/c"

f=$work/d/files
for n in noops noops_all; do
	expect "no spectral ops ($n): message" "Error: spectral scan not supported by this radio" "$(val $n.err)"
	expect "no spectral ops ($n): exit 1" 1 "$(val $n.rc)"
	expect "no spectral ops ($n): no report" "" "$(val $n.out)"
	clean "$n"
done
expect "no spectral ops: no trigger after the mode read back" "triggers 0" "$(grep '^triggers' "$f/noops.counters")"
expect "no spectral ops: no scan started" 0 "$(counter noops.counters scan_channel_changes)"
expect_clean "boot 4 at its end" "$work/d"

echo "# $boots boots, $((SECONDS - start)) s"
finish
