# SPDX-License-Identifier: GPL-2.0-only
# Runs inside a bench VM (busybox sh) booted with --radios 3: checks that the
# stand-in's files behave as ath9k's do, and its test knobs; then, loaded
# again as ath10k's, those rules. One line per
# check, "ok - NAME" or "not ok - NAME: why"; "checks done" at the end.
A=/sys/kernel/debug/ieee80211/phy0/ath9k
K=/sys/kernel/debug/rfpeek_bench/phy0
CTL=$A/spectral_scan_ctl
CNT=$A/spectral_count
REL=$A/spectral_scan0
DELAY=/sys/module/rfpeek_bench/parameters/sample_delay_ms
HEAD=80000000ffffffffffff0200000000000200000000000000000000000000000064000100000474657374010882848b960c121824030101

expect() { # NAME EXPECTED ACTUAL
	if [ "$2" = "$3" ]; then
		echo "ok - $1"
	else
		echo "not ok - $1: expected [$2], got [$3]"
	fi
}
# Writes TEXT to FILE in one write; prints "ok" or the error text
# (busybox's echo reports write errors, its printf does not).
wr() {
	r=$( { echo -n "$2" >"$1"; } 2>&1) && echo ok || echo "${r##*: }"
}
# EIO in the words of the guest's libc: glibc's busybox on x86_64, musl's
# on the MIPS guest (EINVAL reads the same in both)
case $(uname -m) in
mips*) eio="I/O error" ;;
*) eio="Input/output error" ;;
esac
size() { wc -c <"$1" | tr -d ' '; }
counter() { sed -n "s/^$2 //p" "/sys/kernel/debug/rfpeek_bench/$1/counters"; }
# settle PHY: until nothing is on its way to PHY's relay (at most 10 s)
settle() {
	i=0
	while [ "$(counter "$1" pending)" != 0 ] && [ $i -lt 500 ]; do
		usleep 20000
		i=$((i + 1))
	done
}
take() { settle phy0; cat "$REL" >"$1"; } # drain phy0's relay into a file
# background and a trigger, disable after 3 sample events, what came in r
background_then_disable() {
	wr $CTL background >/dev/null
	wr $CTL trigger >/dev/null
	i=0
	while [ "$(counter phy0 sample_events)" -lt 3 ] && [ $i -lt 500 ]; do usleep 20000; i=$((i + 1)); done
	wr $CTL disable >/dev/null
	take r
	usleep 50000
}
u8() { od -An -tu1 -j "$2" -N1 "$1" | tr -d ' '; } # FILE OFFSET
s8() { v=$(u8 "$1" "$2"); [ "$v" -ge 128 ] && v=$((v - 256)); echo "$v"; }
be16() { echo $(($(u8 "$1" "$2") * 256 + $(u8 "$1" $(($2 + 1))))); }
data() { dd if="$1" bs=1 skip=$(($2 * 76 + 20)) count=56 2>/dev/null | od -An -tu1 -v | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }
# One line per record of FILE, walking the length fields:
#   1 FREQ RSSI NOISE MAX_EXP MAG IDX DATA[IDX] D27 D28 D29 TSF_LOW32
#   2 FREQ CHAN_TYPE LRSSI URSSI LNOISE UNOISE MAX_EXP LMAG UMAG LIDX UIDX D63 D64 D65 DATA[LIDX] DATA[64+UIDX]
recs() {
	od -An -tu1 -v "$1" | tr -s ' ' '\n' | sed '/^$/d' | awk '
		function s(v) { return v >= 128 ? v - 256 : v }
		{ b[n++] = $1 }
		END {
			for (p = 0; p + 3 <= n; p += b[p + 1] * 256 + b[p + 2] + 3) {
				if (b[p] == 1) {
					d = p + 20
					print 1, b[p+4] * 256 + b[p+5], s(b[p+6]), s(b[p+7]), b[p+3],
					      b[p+8] * 256 + b[p+9], b[p+10], b[d + b[p+10]],
					      b[d+27], b[d+28], b[d+29],
					      ((b[p+16] * 256 + b[p+17]) * 256 + b[p+18]) * 256 + b[p+19]
				} else {
					d = p + 27
					print 2, b[p+4] * 256 + b[p+5], b[p+3], s(b[p+6]), s(b[p+7]),
					      s(b[p+16]), s(b[p+17]), b[p+26], b[p+18] * 256 + b[p+19],
					      b[p+20] * 256 + b[p+21], b[p+22], b[p+23],
					      b[d+63], b[d+64], b[d+65], b[d + b[p+22]], b[d + 64 + b[p+23]]
				}
			}
		}'
}
# records of FILE that break the driver's magnitude check
bad_max() {
	recs "$1" | awk '$1 == 1 && and($8, 248) != and(rshift($6, $5), 248) { n++ }
		$1 == 2 && (and($16, 248) != and(rshift($9, $8), 248) ||
			    and($17, 248) != and(rshift($10, $8), 248)) { n++ }
		END { print n + 0 }'
}
scan() { iw dev "$1" scan freq $2 $3 >/dev/null 2>scan.err || echo "scan on $1 failed: $(cat scan.err)"; }

# --- files ---------------------------------------------------------------
for p in phy0 phy1 phy2; do
	d=/sys/kernel/debug/ieee80211/$p/ath9k
	expect "$p: ath9k files and modes" "-rw------- -rw------- -rw------- -r-------- -rw------- -rw-------" \
		"$(cd $d && ls -l spectral_count spectral_fft_period spectral_period spectral_scan0 spectral_scan_ctl spectral_short_repeat 2>&1 | cut -c1-10 | tr '\n' ' ' | sed 's/ $//')"
done
expect "one relay file whatever the CPU count ($(grep -c ^processor /proc/cpuinfo) CPUs)" \
	"spectral_scan0" "$(ls $A | grep spectral_scan | grep -v ctl | tr '\n' ' ' | sed 's/ $//')"

# --- spectral_scan_ctl ---------------------------------------------------
expect "ctl reads disable at load, no newline" "7" "$(cat $CTL | wc -c | tr -d ' ')"
expect "ctl reads disable at load" "disable" "$(cat $CTL)"
for w in background chanscan manual disable; do
	r=$(wr $CTL $w)
	expect "ctl takes $w" "ok $w" "$r $(cat $CTL)"
	r=$(wr $CTL "$w
")
	expect "ctl takes $w with a newline" "ok $w" "$r $(cat $CTL)"
done
wr $CTL manual >/dev/null
expect "ctl takes a prefix match (manualXYZ)" "ok manual" "$(wr $CTL manualXYZ) $(cat $CTL)"
wr $CTL disable >/dev/null
for w in man bogus Manual " manual"; do
	expect "ctl refuses [$w] with EINVAL, mode kept" "Invalid argument disable" "$(wr $CTL "$w") $(cat $CTL)"
done

# --- spectral_count and the other numbers ------------------------------------
expect "count reads 8 at load" "8" "$(cat $CNT)"
expect "count ends its text with a newline" "2" "$(cat $CNT | wc -c | tr -d ' ')"
for v in 0 255 17 0x10; do
	wr $CNT $v >/dev/null
	expect "count takes $v" "$(($v))" "$(cat $CNT)"
done
expect "count takes a trailing newline" "ok 12" "$(wr $CNT "12
") $(cat $CNT)"
for v in 256 -1 abc 1000; do
	expect "count refuses [$v] with EINVAL, value kept" "Invalid argument 12" "$(wr $CNT "$v") $(cat $CNT)"
done
for f in "short_repeat 1 1" "period 255 255" "fft_period 15 15"; do
	set -- $f
	F=$A/spectral_$1
	d=$(cat $F)
	r="$(wr $F 0) $(cat $F) $(wr $F $3) $(cat $F) $(wr $F $(($3 + 1))) $(wr $F x) $(cat $F)"
	expect "$1: default $2, takes 0..$3, refuses $(($3 + 1)) and x with EINVAL" \
		"$2 ok 0 ok $3 Invalid argument Invalid argument $3" "$d $r"
done

# --- relay and delivery ------------------------------------------------------
start=$(cut -d' ' -f1 /proc/uptime)
cat $REL >r
end=$(cut -d' ' -f1 /proc/uptime)
expect "empty relay reads 0 bytes" "0" "$(size r)"
expect "empty relay read returns at once" "yes" "$(awk -v a=$start -v b=$end 'BEGIN { print (b - a < 2) ? "yes" : "no" }')"
expect "samples come after $(cat $DELAY) ms by default; chip ar93xx, radio awake (mon0)" "3 ar93xx 0 0" \
	"$(cat $DELAY) $(cat $K/chip) $(counter phy0 idle) $(counter phy0 asleep)"

echo 1 >$K/reset
wr $CTL disable >/dev/null
wr $CTL trigger >/dev/null
take r
expect "trigger while disabled starts nothing, is still counted" "0 1 0" \
	"$(size r) $(counter phy0 triggers) $(counter phy0 sample_events)"

wr $CTL manual >/dev/null
expect "manual alone writes nothing" "0" "$(cat $REL | wc -c | tr -d ' ')"
# short_repeat 1: each of count's scan entries gives a report of two FFTs
wr $CNT 3 >/dev/null
echo 2000 >$DELAY
wr $CTL trigger >/dev/null
cat $REL >r
expect "a trigger returns before its samples: relay empty, 6 FFTs pending" "0 6" "$(size r) $(counter phy0 pending)"
wr $CTL disable >/dev/null
expect "disable loses what is pending" "0 6" "$(counter phy0 pending) $(counter phy0 lost)"
echo 3 >$DELAY
wr $CTL manual >/dev/null
echo 1 >$K/reset
wr $CTL trigger >/dev/null
take r
expect "manual trigger, count 3: 6 HT20 records, delivered by one event" "456 1" "$(size r) $(counter phy0 sample_events)"
expect "records are type 1, length 73" "1 73 1 73 1 73" \
	"$(u8 r 0) $(be16 r 1) $(u8 r 76) $(be16 r 77) $(u8 r 152) $(be16 r 153)"
expect "records carry the current channel" "2412 2412 2412 2412 2412 2412" "$(recs r | awk '{ print $2 }' | tr '\n' ' ' | sed 's/ $//')"
expect "mode stays manual after a trigger" "manual" "$(cat $CTL)"
take r
expect "reading consumes" "0" "$(size r)"

wr $CNT 1 >/dev/null
wr $CTL trigger >/dev/null
take r
expect "every 8th FFT fails the driver's magnitude check and is discarded" "76 1" "$(size r) $(counter phy0 discarded)"
wr $CNT 0 >/dev/null
wr $A/spectral_short_repeat 0 >/dev/null
wr $CTL trigger >/dev/null
take r
expect "count 0 is one scan entry (AR93xx), short_repeat 0 one FFT" "76" "$(size r)"
wr $A/spectral_short_repeat 1 >/dev/null

wr $CNT 1 >/dev/null
wr $CTL trigger >/dev/null
settle phy0
dd if=$REL of=part bs=10 count=1 2>/dev/null
take rest
expect "a partial read leaves the rest" "10 142" "$(size part) $(size rest)"

echo 1 >$K/reset
background_then_disable
expect "background: reports keep coming until disable, then none" "yes 0 0" \
	"$([ "$(size r)" -ge 380 ] && echo yes || echo "no: $(size r)") $(($(size r) % 76)) $(cat $REL | wc -c | tr -d ' ')"

# --- the scene and the chip's values ------------------------------------------
wr $CTL manual >/dev/null
wr $CNT 1 >/dev/null
echo 1 >$K/reset
wr $CTL trigger >/dev/null
take r1
wr $CNT 8 >/dev/null
wr $CTL trigger >/dev/null
take r
expect "scene at 2412: noise -95, rssi 17" "-95 17" "$(s8 r 7) $(s8 r 6)"
expect "scene at 2412: tone of 200 in bin 34 (2414 MHz)" "200 34 200" "$(u8 r 54) $(u8 r 10) $(($(be16 r 8) >> $(u8 r 3)))"
expect "scene at 2412: every other bin on the floor (3..5)" "55" \
	"$(data r 0 | tr ' ' '\n' | awk '$1 >= 3 && $1 <= 5' | wc -l | tr -d ' ')"
expect "same channel, same data" "$(data r1 0)" "$(data r 0)"
expect "tsf advances" "yes" "$(recs r | awk 'NR > 1 && $12 <= t { bad = 1 } { t = $12 } END { print bad ? "no" : "yes" }')"
expect "DC bin 28 is the mean of bins 27 and 29" "0" "$(recs r | awk 'int(($9 + $11) / 2) != $10' | wc -l | tr -d ' ')"
expect "max_magnitude >> max_exp matches the max bin in every record" "0" "$(bad_max r)"

# --- chanscan ------------------------------------------------------------------
# Which channel changes a software scan makes is mac80211's business and
# differs between kernels (6.12 also visits the operating channel before the
# first scanned one); the stand-in must follow them, records at each.
wr $CNT 1 >/dev/null
wr $CTL chanscan >/dev/null
echo 1 >$K/reset
scan wlan0 "2422 2437 2462"
take r
ev=$(awk '$1 == "channel" && $4 == "scanning=1" { sub("freq=", "", $2); printf "%s%s", sep, $2; sep = " " }' $K/events)
echo "# scan's channel changes: $ev"
expect "chanscan: the scan visits 2422 2437 2462, then returns to 2412" "2422 2437 2462 2412" "${ev#2412 }"
got=$(recs r | awk '{ print $2 }' | uniq | tr '\n' ' ' | sed 's/ $//')
expect "chanscan: records from each channel change of the scan" "${ev#2412 }" "${got#2412 }"
expect "chanscan: every scan channel change counted, no trigger" "0 $(echo $ev | wc -w) $(echo $ev | wc -w)" \
	"$(counter phy0 triggers) $(counter phy0 channel_changes) $(counter phy0 scan_channel_changes)"
expect "scene at 2437: noise -92 (calibrated floor 3 dB up), rssi 25" "-92 25" \
	"$(recs r | awk '$2 == 2437 { print $4, $3; exit }')"
i=$(($(recs r | awk '$2 == 2437 { print NR - 1; exit }')))
expect "scene at 2437: transmitter over bins 1-54 (98..102), skirt of 20 at both ends" "54 20 20" \
	"$(data r $i | tr ' ' '\n' | awk '$1 >= 98 && $1 <= 102' | wc -l | tr -d ' ') $(u8 r $((i * 76 + 20))) $(u8 r $((i * 76 + 75)))"
i=$(($(recs r | awk '$2 == 2462 { print NR - 1; exit }')))
expect "scene at 2462: tone of 120 in bin 40 (2466 MHz)" "120 40" "$(u8 r $((i * 76 + 60))) $(u8 r $((i * 76 + 10)))"

# a longer delay than a channel's dwell: each channel change loses the last
echo 1 >$K/reset
echo 2000 >$DELAY
scan wlan0 "2422 2437"
take r
echo 3 >$DELAY
expect "chanscan, 2 s delay: each channel change loses the FFTs before it; only the return's arrive" \
	"2412 yes" "$(recs r | awk '{ print $2 }' | uniq | tr '\n' ' ')$([ "$(counter phy0 lost)" -ge 4 ] && echo yes || echo no)"

# quiet 5 GHz channels: the chip's floor is calibrated higher there
scan wlan0 "5500"
take r
expect "5500 MHz: noise -92, rssi 0 or below, max_exp up to 9" "-92 yes yes" \
	"$(recs r | awk '$2 == 5500 { n = $4; if ($3 > 0) pos = 1; if ($5 > 9) big = 1 } END { print n, pos ? "no" : "yes", big ? "no" : "yes" }')"

echo 1 >$K/reset
wr $CTL trigger >/dev/null
take r
expect "chanscan: trigger outside a scan gives count's records" "152" "$(size r)"

wr $CTL manual >/dev/null
scan wlan0 "2422 2437"
take r
expect "manual: a scan writes nothing" "0" "$(size r)"
wr $CTL disable >/dev/null
scan wlan0 "2422"
take r
expect "disable: a scan writes nothing" "0" "$(size r)"

# --- per phy, idle -------------------------------------------------------------
P1=/sys/kernel/debug/ieee80211/phy1/ath9k
K1=/sys/kernel/debug/rfpeek_bench/phy1
ip link set wlan1 up
usleep 300000
echo 1 >$K1/reset
echo 1 >$P1/spectral_count
echo manual >$P1/spectral_scan_ctl
echo trigger >$P1/spectral_scan_ctl
settle phy1
expect "an idle radio (unassociated station) is asleep 100 ms on: a trigger gives nothing" "1 1 2 0" \
	"$(counter phy1 idle) $(counter phy1 asleep) $(counter phy1 lost) $(cat $P1/spectral_scan0 | wc -c | tr -d ' ')"
echo chanscan >$P1/spectral_scan_ctl
wr $CTL chanscan >/dev/null
echo 1 >$K1/reset
scan wlan1 "2437"
settle phy1
take r
n1=$(counter phy1 samples)
expect "a scan wakes phy1, whose records go into phy1's relay only" "0 $((n1 * 76)) yes" \
	"$(size r) $(cat $P1/spectral_scan0 | wc -c | tr -d ' ') $([ "$n1" -ge 2 ] && echo yes || echo no)"
wr $CTL disable >/dev/null

# A channel change outside a scan: a monitor interface set to channel 6.
ip link set wlan1 down
iw dev wlan1 set type monitor
ip link set wlan1 up
echo 1 >$K1/reset
iw dev wlan1 set freq 2437
expect "chanscan: a channel change outside a scan starts nothing" "channel freq=2437 scanning=0 samples=0 0" \
	"$(awk '{ print $1, $2, $4, $5 }' $K1/events | tail -n1) $(cat $P1/spectral_scan0 | wc -c | tr -d ' ')"
echo disable >$P1/spectral_scan_ctl

# --- HT40: phy2 as an access point on 2462 HT40- ------------------------------
P2=/sys/kernel/debug/ieee80211/phy2/ath9k
K2=/sys/kernel/debug/rfpeek_bench/phy2
iw dev wlan2 set type __ap
ip link set wlan2 up
iw dev wlan2 ap start test 2462 40 2452 100 1 head $HEAD >/dev/null 2>&1 || echo "# ap start on wlan2 failed"
echo 1 >$P2/spectral_count
echo manual >$P2/spectral_scan_ctl
echo trigger >$P2/spectral_scan_ctl
settle phy2
cat $P2/spectral_scan0 >r
expect "HT40-: two type-2 records of 155 bytes, freq = control channel, channel type 2" "310 2 152 2462 2" \
	"$(size r) $(u8 r 0) $(be16 r 1) $(be16 r 4) $(u8 r 3)"
expect "HT40-: lower half is the extension (noise -92), upper the control channel (-95)" "-92 -95" \
	"$(recs r | awk '{ print $6, $7; exit }')"
expect "HT40-: tone at 2466 MHz in bin 108, transmitter's 98..102 in the lower half" "44 120 yes" \
	"$(recs r | awk '{ print $12, $17, ($16 >= 98 && $16 <= 102) ? "yes" : "no"; exit }')"
expect "HT40: DC bin 64 is the mean of bins 63 and 65; magnitudes match" "0 0" \
	"$(recs r | awk 'int(($13 + $15) / 2) != $14' | wc -l | tr -d ' ') $(bad_max r)"
echo chanscan >$P2/spectral_scan_ctl
scan wlan2 "2437" ap-force
cat $P2/spectral_scan0 >r
got=$(recs r | awk '{ print $1 ":" $2 }' | uniq | tr '\n' ' ' | sed 's/ $//')
expect "HT40 scan: 20 MHz records on 2437, 40 MHz on the return to 2462" "1:2437 2:2462" "${got#2:2462 }"
echo disable >$P2/spectral_scan_ctl

# --- full relay: no overwrite, records never straddle a sub-buffer -------------
wr $CTL manual >/dev/null
echo 1 >$K/reset
wr $CNT 255 >/dev/null
wr $A/spectral_short_repeat 0 >/dev/null
i=0
while [ $i -lt 16 ]; do wr $CTL trigger >/dev/null; i=$((i + 1)); done
take r
# 16 triggers of 255 one-FFT entries: 4080 FFTs, 3570 pass the driver's
# check. 1024-byte sub-buffers hold 13 records each, 3328 in all; the sub-buffer
# that was being written when the fill began had 0..13 places left (none when
# it was just full: relay.c then switches into the 255 others and stops).
kept=$(($(size r) / 76))
recs r >rr
expect "full relay: whole records, each FFT kept, discarded or dropped" "0 4080" \
	"$(($(size r) % 76)) $(($(counter phy0 samples) + $(counter phy0 discarded) + $(counter phy0 dropped)))"
expect "full relay: holds 3315..3328 records" "yes $kept" \
	"$([ $kept -ge 3315 ] && [ $kept -le 3328 ] && echo yes || echo no) $(counter phy0 samples)"
expect "full relay keeps the oldest records" "yes" \
	"$(awk 'NR > 1 && $12 <= t { bad = 1 } { t = $12 } END { print bad ? "no" : "yes" }' rr)"
expect "records stay whole across sub-buffers" "$kept 01 00 49" "$(od -An -tx1 -w76 -v r | cut -c1-9 | uniq -c | tr -s ' ' | sed 's/^ //')"
expect "max_exp takes 0..4 on 2412 (a 200 shifted back fits 12 bits)" "0 1 2 3 4" \
	"$(awk '{ print $5 }' rr | sort -u | tr '\n' ' ' | sed 's/ $//')"
wr $CTL trigger >/dev/null
take r
expect "a drained relay takes records again" "yes" "$([ "$(size r)" -ge 16000 ] && echo yes || echo "no: $(size r)")"
wr $A/spectral_short_repeat 1 >/dev/null

# --- knobs ------------------------------------------------------------------------
dd if=/dev/urandom of=pre bs=1000 count=3 2>/dev/null
cat pre >$K/preload
cat $REL >r
expect "preload: bytes come back unchanged" "same" "$(cmp -s pre r && echo same || echo differ)"

echo "disable 16" >$K/fail_ctl
wr $CTL manual >/dev/null
expect "fail_ctl: the word fails with the errno given, mode kept" "Resource busy manual" "$(wr $CTL disable | sed 's/Device or resource busy/Resource busy/') $(cat $CTL)"
expect "fail_ctl: other words still work" "ok" "$(wr $CTL manual)"
expect "fail_ctl reads back" "disable 16" "$(cat $K/fail_ctl)"
echo count >$K/fail_ctl
before=$(cat $CNT)
expect "fail_ctl count: count writes fail with EIO, value kept" "$eio $before" "$(wr $CNT 5) $(cat $CNT)"
echo none >$K/fail_ctl
expect "fail_ctl none: all works again" "ok ok disable" "$(wr $CNT 5) $(wr $CTL disable) $(cat $CTL)"

echo 1 >$K/reset
expect "reset clears counters and events" "0 0 0" "$(counter phy0 triggers) $(counter phy0 samples) $(wc -l <$K/events | tr -d ' ')"

# chip and silent, on phy1 (a monitor now, awake)
echo 1 >$K1/reset
echo ar92xx >$K1/chip
echo 200 >$P1/spectral_count
echo 0 >$P1/spectral_short_repeat
echo manual >$P1/spectral_scan_ctl
echo trigger >$P1/spectral_scan_ctl
settle phy1
expect "ar92xx: count 128..255 becomes 127" "127" "$(($(counter phy1 samples) + $(counter phy1 discarded)))"
cat $P1/spectral_scan0 >/dev/null
echo 1 >$K1/silent
echo 1 >$P1/spectral_count
echo trigger >$P1/spectral_scan_ctl
settle phy1
expect "silent: modes read back, triggers counted, no sample arrives" "manual 2 0 1" \
	"$(cat $P1/spectral_scan_ctl) $(counter phy1 triggers) $(cat $P1/spectral_scan0 | wc -c | tr -d ' ') $(counter phy1 deaf)"
echo 0 >$K1/silent
echo ar5416 >$K1/chip
r="$(wr $P1/spectral_scan_ctl chanscan) $(cat $P1/spectral_scan_ctl) $(wr $P1/spectral_scan_ctl trigger) $(wr $P1/spectral_count 9) $(cat $P1/spectral_count)"
settle phy1
expect "ar5416 (no spectral ops): writes succeed, mode reads disable, count kept, nothing comes" \
	"ok disable ok ok 9 0" "$r $(cat $P1/spectral_scan0 | wc -c | tr -d ' ')"
expect "chip refuses an unknown family" "Invalid argument ar5416" "$(wr $K1/chip ar9999) $(cat $K1/chip)"
echo ar93xx >$K1/chip

# inject, manual: on phy0, last (no synthetic samples after it)
dd if=/dev/urandom of=inj bs=1 count=777 2>/dev/null
cat inj >$K/inject
wr $CTL manual >/dev/null
wr $CNT 4 >/dev/null
cat $REL >r
expect "inject: nothing before the trigger" "0 1" "$(size r) $(counter phy0 inject_armed)"
wr $CTL trigger >/dev/null
take r
expect "inject: the trigger's delivery brings exactly the injected bytes" "777 same" "$(size r) $(cmp -s inj r && echo same || echo differ)"
wr $CTL trigger >/dev/null
take r
expect "inject: no synthetic records afterwards" "0 off" "$(size r) $(counter phy0 synthetic)"
wr $CTL disable >/dev/null

# inject, chanscan, on phy2: at the first delivery of the scan, once
cat inj >$K2/inject
echo 1 >$K2/reset
echo chanscan >$P2/spectral_scan_ctl
scan wlan2 "2422 2437" ap-force
settle phy2
cat $P2/spectral_scan0 >r
expect "inject in chanscan: exactly the injected bytes, nothing from later channels" "777 same" \
	"$(size r) $(cmp -s inj r && echo same || echo differ)"
expect "inject in chanscan: came with the scan's first delivery" "injected=777 1" \
	"$(grep -m1 '^deliver' $K2/events | awk '{ print $6 }') $(grep -c injected $K2/events)"

# an empty injection: no samples at all, on phy1
: >empty
cat empty >$K1/inject
echo manual >$P1/spectral_scan_ctl
echo trigger >$P1/spectral_scan_ctl
echo trigger >$P1/spectral_scan_ctl
settle phy1
expect "empty injection: no samples at all" "0 off" \
	"$(cat $P1/spectral_scan0 | wc -c | tr -d ' ') $(counter phy1 synthetic)"

# unloading with FFTs on their way, and loading again
echo 2000 >$DELAY
echo trigger >$P1/spectral_scan_ctl
expect "the stand-in unloads with FFTs pending and loads again" "yes ok ok disable" \
	"$([ "$(counter phy1 pending)" -gt 0 ] && echo yes || echo no) $(rmmod rfpeek_bench && echo ok) $(insmod /lib/modules/rfpeek_bench.ko && echo ok) $(cat $CTL)"

# --- ath10k: the same radios, the stand-in loaded as ath10k's -----------------
# phy0: wlan0 a station and mon0 (awake), phy1: wlan1 a plain monitor (no
# vif in the driver), phy2: wlan2 an AP on 2462 HT40- (centre 2452).
rmmod rfpeek_bench && insmod /lib/modules/rfpeek_bench.ko ath10k=1 || echo "# reloading as ath10k failed"
A=/sys/kernel/debug/ieee80211/phy0/ath10k
CTL=$A/spectral_scan_ctl
CNT=$A/spectral_count
BINS=$A/spectral_bins
REL=$A/spectral_scan0
# One line per type-3 record of FILE:
#   TYPE LENGTH WIDTH FREQ1 FREQ2 NOISE MAG INDEX MAX_EXP D[DC-1] D[DC] D[DC+1] D[DC+INDEX] BINS
recs10() {
	od -An -tu1 -v "$1" | tr -s ' ' '\n' | sed '/^$/d' | awk '
		{ b[n++] = $1 }
		END {
			for (p = 0; p + 29 <= n; p += len + 3) {
				len = b[p+1] * 256 + b[p+2]; nb = len - 26; d = p + 29 + nb / 2
				i = b[p+24]; if (i >= 128) i -= 256
				nf = b[p+8] * 256 + b[p+9]; if (nf >= 32768) nf -= 65536
				print b[p], len, b[p+3], b[p+4] * 256 + b[p+5], b[p+6] * 256 + b[p+7], nf,
				      b[p+10] * 256 + b[p+11], i, b[p+28], b[d-1], b[d], b[d+1], b[d+i], nb
			}
		}'
}
# get_max_exp's rule, where the record still holds the peak bin as it came
# (not the interpolated DC bin): the first shift 0..8 of max_magnitude that
# gives it, else 0. Prints the records breaking it, and yes if some had no
# such shift.
max_exp_check() {
	awk '$8 != 0 { m = -1; x = $7
		for (e = 0; e <= 8; e++) { if (x == $13) { m = e; break }; x = int(x / 2) }
		if ($9 != (m < 0 ? 0 : m)) bad++; if (m < 0) none++ }
		END { print bad + 0, none ? "yes" : "no" }' "$1"
}
for p in phy0 phy1 phy2; do
	expect "ath10k $p: ath10k files and modes, no ath9k directory" "-rw------- -rw------- -r-------- -rw------- ath10k" \
		"$(cd /sys/kernel/debug/ieee80211/$p/ath10k && ls -l spectral_bins spectral_count spectral_scan0 spectral_scan_ctl 2>&1 | cut -c1-10 | tr '\n' ' ')$(ls /sys/kernel/debug/ieee80211/$p | grep ath)"
done
expect "ath10k: one relay file" "spectral_scan0" "$(ls $A | grep spectral_scan | grep -v ctl)"
dd if=/dev/zero of=$K/preload bs=1140 count=2600 2>/dev/null
expect "ath10k: the relay holds 2500 sub-buffers of 1140 bytes" "2850000 2850000" \
	"$(counter phy0 preloaded) $(cat $REL | wc -c | tr -d ' ')"

expect "ath10k ctl, count, bins at load: disable (no newline), 0, 64" "7 disable 0 64" \
	"$(cat $CTL | wc -c | tr -d ' ') $(cat $CTL) $(cat $CNT) $(cat $BINS)"
for w in background manual disable; do
	expect "ath10k ctl takes $w with a newline" "ok $w" "$(wr $CTL "$w
") $(cat $CTL)"
done
expect "ath10k ctl takes a prefix match (manualXYZ)" "ok manual" "$(wr $CTL manualXYZ) $(cat $CTL)"
for w in chanscan bogus; do
	expect "ath10k ctl refuses [$w] with EINVAL, mode kept" "Invalid argument manual" "$(wr $CTL $w) $(cat $CTL)"
done
wr $CTL disable >/dev/null
expect "ath10k: trigger while disabled is EINVAL" "Invalid argument disable" "$(wr $CTL trigger) $(cat $CTL)"
expect "ath10k count: takes 0..255, refuses 256 and x with EINVAL" "ok 255 ok 16 Invalid argument Invalid argument 16" \
	"$(wr $CNT 255) $(cat $CNT) $(wr $CNT 0x10) $(cat $CNT) $(wr $CNT 256) $(wr $CNT x) $(cat $CNT)"
r="$(wr $BINS 256) $(cat $BINS) $(wr $BINS 0x80) $(cat $BINS)"
for v in 32 512 96 x; do r="$r $(wr $BINS $v)"; done
expect "ath10k bins: powers of two 64..256; 32, 512, 96, x are EINVAL" \
	"ok 256 ok 128 Invalid argument Invalid argument Invalid argument Invalid argument 128" "$r $(cat $BINS)"

P1=/sys/kernel/debug/ieee80211/phy1/ath10k
r=
for w in background manual disable; do r="$r $(wr $P1/spectral_scan_ctl $w)"; done
expect "ath10k: no vif (a plain monitor only): each mode word is ENODEV; count and bins still work" \
	" No such device No such device No such device disable ok ok" \
	"$r $(cat $P1/spectral_scan_ctl) $(wr $P1/spectral_count 1) $(wr $P1/spectral_bins 64)"
ip link set wlan1 down
iw dev wlan1 set type managed
ip link set wlan1 up
usleep 300000
echo 1 >/sys/kernel/debug/rfpeek_bench/phy1/reset
r="$(wr $P1/spectral_scan_ctl manual) $(wr $P1/spectral_scan_ctl trigger)"
settle phy1
expect "ath10k: an idle station is a vif, but asleep: the trigger's records are lost" "ok ok 1 1 0" \
	"$r $(counter phy1 asleep) $(counter phy1 lost) $(cat $P1/spectral_scan0 | wc -c | tr -d ' ')"

# 20 MHz on phy0 (2412), 40 MHz on phy2 (2462 HT40-): bins changed in
# manual mode take effect at the next trigger, which configures again.
P2=/sys/kernel/debug/ieee80211/phy2/ath10k
echo manual >$P2/spectral_scan_ctl
wr $CTL manual >/dev/null
echo 1 >$K/reset
: >all
for n in 64 128 256; do
	for d in $A $P2; do
		echo $n >$d/spectral_bins
		echo 8 >$d/spectral_count
		echo trigger >$d/spectral_scan_ctl
	done
	take r
	recs10 r >>all
	settle phy2
	cat $P2/spectral_scan0 >r2
	recs10 r2 >>all
	expect "ath10k $n bins: 8 records each at 20 MHz (phy0, 2412) and 40 MHz (phy2, centre 2452)" \
		"8 3 $((26 + n)) 22 2412 0 -95 8 3 $((26 + n)) 44 2452 0 -95" \
		"$(($(size r) / (29 + n))) $(recs10 r | cut -d' ' -f1-6 | uniq) $(($(size r2) / (29 + n))) $(recs10 r2 | cut -d' ' -f1-6 | uniq)"
done
expect "ath10k: 2412's tone of 200 at 2414 MHz: index 6, 12, 23 (bins 64, 128, 256; DC bin n/2)" "6 200 12 200 23 200" \
	"$(awk '$4 == 2412 && $13 == 200 { print $8, $13 }' all | uniq | tr '\n' ' ' | sed 's/ $//')"
expect "ath10k: DC bin n/2 is the mean of its neighbours in every record" "48 0" \
	"$(wc -l <all | tr -d ' ') $(awk 'int(($10 + $12) / 2) != $11' all | wc -l | tr -d ' ')"
expect "ath10k: max_exp as get_max_exp derives it, 0 where no shift gives the peak bin" "0 yes" "$(max_exp_check all)"
echo 0 >$CNT
echo trigger >$CTL
take r
expect "ath10k manual, count 0: at least one record per trigger" "1" "$(($(size r) / 285))"

# late samples: on their way at the trigger; "disable" loses none of them
echo 1 >$K/reset
echo 2 >$CNT
echo 2000 >$DELAY
wr $CTL trigger >/dev/null
early="$(cat $REL | wc -c | tr -d ' ') $(counter phy0 pending)"
wr $CTL disable >/dev/null
take r
echo 3 >$DELAY
expect "ath10k: a trigger returns before its records; disable keeps those on their way" "0 2 disable 570" \
	"$early $(cat $CTL) $(size r)"

# background: the firmware's own count, one record per report until disable
echo 1 >$K/reset
echo 64 >$BINS
background_then_disable
expect "ath10k background: a record per report (count 2 unused) until disable, then none" "yes 0 0" \
	"$([ "$(size r)" -eq $(($(counter phy0 sample_events) * 93)) ] && [ "$(size r)" -ge 279 ] && echo yes || echo "no: $(size r)") $(($(size r) % 93)) $(cat $REL | wc -c | tr -d ' ')"

# phy2's only vif goes: spectral goes off with it (ath10k_spectral_vif_stop);
# brought up again, the driver starts afresh (ath10k_spectral_start)
echo manual >$P2/spectral_scan_ctl
echo 5 >$P2/spectral_count
echo 256 >$P2/spectral_bins
ip link set wlan2 down
r="$(cat $P2/spectral_scan_ctl) $(wr $P2/spectral_scan_ctl manual) $(cat $P2/spectral_count) $(cat $P2/spectral_bins)"
ip link set wlan2 up
expect "ath10k: the vif going down disables spectral, then ENODEV; up again: count 0, bins 64" \
	"disable No such device 5 256 0 64" "$r $(cat $P2/spectral_count) $(cat $P2/spectral_bins)"

echo "checks done"
