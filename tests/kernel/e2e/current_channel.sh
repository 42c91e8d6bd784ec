#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-only
# rfpeek without -F on the kernel bench: a capture on the channel wlan0 is
# on, its reports, the phy lookup, the ways it ends, and the radios that
# deliver late, sample 40 MHz wide or sit on USB; ath10k's at 20, 40 and
# 80 MHz, where -F is refused.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

guest_script "$work/guest.sh" <<'GUEST'
run text rfpeek
run json rfpeek -j
run file rfpeek -d 0 -o report.json
run missing rfpeek -i nosuch0
# phy1's radio, not phy0's: only its trigger counter may move. Nothing
# keeps phy1 awake (wlan1 is down), and an idle ath9k samples nothing.
cat /sys/kernel/debug/rfpeek_bench/phy0/counters >phy0.before
run phy1 rfpeek -i wlan1
cat /sys/kernel/debug/ieee80211/phy1/ath9k/spectral_scan_ctl >phy1.ctl1
cat /sys/kernel/debug/ieee80211/phy1/ath9k/spectral_count >phy1.count1
cat /sys/kernel/debug/rfpeek_bench/phy0/counters >phy0.after
cat /sys/kernel/debug/rfpeek_bench/phy1/counters >phy1.after
# a stop signal cuts a long dwell short; the capture still reports
t0=$(uptime_cs)
rfpeek -d 20000 >term.out 2>term.err &
pid=$!
sleep 1
kill -TERM $pid
wait $pid
echo $? >term.rc
echo $(( $(uptime_cs) - t0 )) >term.cs
cat $A/spectral_scan_ctl >term.ctl
# The watch: three frames as JSON lines, three in the plain form with the
# stand-in's counters around them
run watch_j rfpeek -w --frames 3 -j
cat /sys/kernel/debug/rfpeek_bench/phy0/counters >watch.before
run watch rfpeek -w --frames 3
cat /sys/kernel/debug/rfpeek_bench/phy0/counters >watch.after
# the idle phy1: empty frames
A=/sys/kernel/debug/ieee80211/phy1/ath9k
run watch_idle rfpeek -w --frames 3 -i wlan1 -j
A=/sys/kernel/debug/ieee80211/phy0/ath9k
# a stop 2 s into a 5 s frame
settings watch_int.found
rfpeek -w --interval 5000 -j >watch_int.out 2>watch_int.err &
pid=$!
sleep 2
stop_run watch_int INT
left watch_int
# a reader that leaves after the first frame (the guard: a watch that
# never notices shows as 137)
settings watch_pipe.found
{ timeout -s KILL 30 rfpeek -w -j 2>watch_pipe.err; echo $? >watch_pipe.rc; } | head -1 >watch_pipe.out
left watch_pipe
GUEST
boot --radios 2 --out "$work/r" --script "$work/guest.sh"
guest_script "$work/nospectral.sh" <<'GUEST'
run nospec rfpeek
GUEST
boot --no-spectral --out "$work/n" --script "$work/nospectral.sh"
# samples 30 ms after the trigger: a dwell of 0 or 10 ms ends before them
guest_script "$work/late.sh" <<'GUEST'
run d0 rfpeek -d 0
run d10 rfpeek -d 10 -j
run watch_late rfpeek -w --frames 2 -j
GUEST
boot --sample-delay 30 --out "$work/l" --script "$work/late.sh"
guest_script "$work/ht40.sh" <<'GUEST'
run ht40 rfpeek
run ht40_f rfpeek -F 2412-2462
GUEST
boot --ht40 --out "$work/h" --script "$work/ht40.sh"
guest_script "$work/htc.sh" <<'GUEST'
A=/sys/kernel/debug/ieee80211/phy0/ath9k_htc
run htc rfpeek
GUEST
boot --htc --out "$work/u" --script "$work/htc.sh"
# ath10k on a 5 GHz access point, one boot per channel width: each bin
# count, the settings rfpeek must put back, -F refused, the watch
guest_script "$work/ath10k.sh" <<'GUEST'
A=/sys/kernel/debug/ieee80211/phy0/ath10k
K=/sys/kernel/debug/rfpeek_bench/phy0
for n in 64 128 256; do
	echo $n >$A/spectral_bins
	# the driver's own record of one trigger, as rfpeek's will be
	echo 1 >$A/spectral_count
	echo manual >$A/spectral_scan_ctl
	echo trigger >$A/spectral_scan_ctl
	i=0
	until grep -qx "pending 0" $K/counters || [ $i -ge 100 ]; do usleep 20000; i=$((i + 1)); done
	cat $A/spectral_scan0 >raw$n
	echo disable >$A/spectral_scan_ctl
	echo 0 >$A/spectral_count
	run t$n rfpeek
	run j$n rfpeek -j
done
grep '^discarded' $K/counters >bins.discarded
# unusual settings, which every run must put back as it found them
echo 37 >$A/spectral_count
echo 128 >$A/spectral_bins
run odd rfpeek
# -F from a leftover "background": "disable" afterwards is rfpeek's own
echo background >$A/spectral_scan_ctl
cat $A/spectral_scan_ctl >refused.mode
echo 1 >$K/reset
run refused rfpeek -F 5170-5250
cat $K/counters >refused.counters
cat $K/events >refused.events
run watch_j rfpeek -w --frames 3 --interval 300 -j
run watch rfpeek -w --frames 3 --interval 300
# no interface up: every mode word is -ENODEV, "disable" too
ip link set wlan0 down
run novif rfpeek
GUEST
# At 40 MHz the FFTs come 30 ms after their trigger: a watch's last
# triggers are still on their way when it ends, and ath10k passes them on
# whatever the mode
for w in 20 40 80; do
	[ $w = 40 ] && late="--sample-delay 30" || late=
	boot --ath10k --5ghz $w $late --out "$work/x$w" --script "$work/ath10k.sh"
done

# One trigger with spectral_count 1: ath9k's short repeat makes it one
# or two FFTs, each a record on wlan0's channel, of BINS bins.
one_trigger() { # NAME FILE CENTRE BINS
	local h b
	h=$(text_headers "$2" | wc -l)
	b=$(text_bins "$2" | wc -l)
	expect_match "$1: one or two records" '^[12]$' "$h"
	expect "$1: every record on $3 MHz" "" "$(text_headers "$2" | grep -v "^$3 MHz  ")"
	expect "$1: $4 bins per record" $(($4 * h)) "$b"
}
f=$work/r/files

# The plain watch's lines as classes: M and D the header's two lines, F a
# frame line (time label, cells) with a mark in it, f one without, _ the
# blank line, T the table's head, FREQ/WIDTH a row of it, ? anything else
watch_plain() { # FILE
	LC_ALL=C awk '
	/^     MHz / { printf "M "; next }
	/^     dBm / { printf "D "; next }
	/^[0-2][0-9]:[0-5][0-9]:[0-5][0-9] [ .:=+*#@-]*$/ { printf(substr($0, 10) ~ /[^ ]/ ? "F " : "f "); next }
	/^$/ { printf "_ "; next }
	$0 == "   MHz  width  records     avg     max  duty %" { printf "T "; next }
	/^ *[0-9]+ +[0-9]+ +[0-9]+ +-?[0-9]+\.[0-9] +-?[0-9]+\.[0-9] +[0-9]+\.[0-9]$/ { printf "%s/%s ", $1, $2; next }
	{ printf "? " }' "$1" | sed 's/ $//'
}

# text: wlan0's channel, completed to 64 bins
expect "text: exit 0" 0 "$(cat "$f/text.rc")"
expect "text: nothing on stderr" "" "$(cat "$f/text.err")"
expect "text: headers of 2412 MHz records" "" \
	"$(text_headers "$f/text.out" | grep -Ev '^2412 MHz  RSSI: -?[0-9]+ dBm  Noise: -95 dBm$')"
one_trigger text "$f/text.out" 2412 64
expect "text: every bin line is %10.4f  %10.1f" 0 \
	"$(text_bins "$f/text.out" | grep -Evc '^[ 0-9.]{10}  [ 0-9.-]{10}$')"
expect "text: bins run from 2402 to 2421.6875 MHz" "2402.0000 2421.6875" \
	"$(text_bins "$f/text.out" | awk 'NR==1{a=$1} {b=$1} END{print a, b}')"
# the scene's narrow tone at 2414 MHz stands out of a floor near -110 dBm
expect "text: strongest bin at the 2414 MHz tone" 2413.8750 \
	"$(text_bins "$f/text.out" | sort -k2 -g -r | awk 'NR==1{print $1}')"
expect_match "text: floor near -110 dBm" '^-11[0-2]\.[0-9]$' \
	"$(text_bins "$f/text.out" | awk '{print $2}' | sort -g | awk '{v[NR]=$1} END{print v[int(NR/2)]}')"

for run in text json file phy1; do expect_run_clean $run "$f"; done
expect "phy1: wlan1's phy left disabled" disable "$(cat "$f/phy1.ctl1")"
expect "phy1: wlan1's spectral_count as it was" $boot_count "$(cat "$f/phy1.count1")"

json_summary() { # FILE: distinct centres/noise, bins per record, 1-2 records, pairs, keys
	python3 - "$1" <<'PY'
import json, sys
try:
    d = json.load(open(sys.argv[1]))
    ch = d["scan_channels"]
    print(" ".join(sorted(set("%g/%d" % (c["freq"], c["noise"]) for c in ch))),
          len(d["scan_results"]) / max(len(ch), 1), 1 <= len(ch) <= 2,
          all(len(p) == 2 for p in d["scan_results"]), list(d) == ["scan_channels", "scan_results"])
except Exception as e:
    print("unparsable:", e)
PY
}
expect "-j: JSON on stdout" "2412/-95 64.0 True True True" "$(json_summary "$f/json.out")"
expect "-j: exit 0" 0 "$(cat "$f/json.rc")"
expect "-o -d 0: JSON in the file" "2412/-95 64.0 True True True" "$(json_summary "$f/report.json")"
expect "-o: nothing on stdout or stderr" "" "$(cat "$f/file.out" "$f/file.err")"
expect "-o: exit 0" 0 "$(cat "$f/file.rc")"

# -i wlan1 resolves phy1: its stand-in was triggered, phy0's was not; the
# idle radio gave nothing, and rfpeek says so
expect "idle phy1: the empty report" "" "$(cat "$f/phy1.out")"
expect "idle phy1: the warning" "$no_samples" "$(cat "$f/phy1.err")"
expect "idle phy1: exit 0" 0 "$(cat "$f/phy1.rc")"
expect "phy1: triggered phy1's driver" "triggers 1" "$(grep '^triggers' "$f/phy1.after")"
expect "phy1: phy0's driver untouched" "$(cat "$f/phy0.before")" "$(cat "$f/phy0.after")"

expect "missing interface: the init failure" "Error: nl80211 init failed" "$(cat "$f/missing.err")"
expect "missing interface: exit 1" 1 "$(cat "$f/missing.rc")"

one_trigger "SIGTERM in the dwell: still reports" "$f/term.out" 2412 64
expect "SIGTERM in the dwell: exit 0, nothing on stderr" 0: "$(cat "$f/term.rc"):$(cat "$f/term.err")"
expect "SIGTERM in the dwell: disabled" disable "$(cat "$f/term.ctl")"
cs=$(cat "$f/term.cs")
if [ "$cs" -lt 1000 ]; then ok "SIGTERM cuts the 20 s dwell short (${cs}0 ms)"; else bad "SIGTERM did not cut the dwell short: ${cs}0 ms"; fi

# the watch on 2412 MHz: every frame holds the channel's 56 bins
expect "watch -j: 3 frames of 2412's bins, the summary" "1:+:56 2:+:56 3:+:56 | 2412/20" \
	"$(watch_json "$f/watch_j.out" 2412)"
expect "watch -j: exit 0, nothing on stderr" 0: "$(cat "$f/watch_j.rc"):$(cat "$f/watch_j.err")"
expect "watch, plain: header, 3 frames, the table" "M D F F F _ T 2412/20" "$(watch_plain "$f/watch.out")"
expect "watch, plain: no escape sequence when not a terminal" 0 "$(LC_ALL=C tr -dc '\033' <"$f/watch.out" | wc -c)"
expect "watch, plain: exit 0, nothing on stderr" 0: "$(cat "$f/watch.rc"):$(cat "$f/watch.err")"
s0=$(sed -n 's/^samples //p' "$f/watch.before")
s1=$(sed -n 's/^samples //p' "$f/watch.after")
if [ "$s1" -gt "$s0" ]; then ok "watch: the stand-in made samples ($((s1 - s0)))"; else bad "watch: no samples made ($s0 -> $s1)"; fi
expect "watch: the relay was never full" "$(grep '^dropped' "$f/watch.before")" "$(grep '^dropped' "$f/watch.after")"
expect "watch, idle phy1: 3 empty frames, an empty summary" "1:0: 2:0: 3:0: |" "$(watch_json "$f/watch_idle.out")"
expect "watch, idle phy1: the warning once" "$no_samples" "$(cat "$f/watch_idle.err")"
expect "watch, idle phy1: exit 0" 0 "$(cat "$f/watch_idle.rc")"
expect "watch, SIGINT 2 s into a 5 s frame: that frame, the summary" "1:+:56 | 2412/20" \
	"$(watch_json "$f/watch_int.out" 2412)"
expect "watch, SIGINT: exit 0, nothing on stderr" 0: "$(cat "$f/watch_int.rc"):$(cat "$f/watch_int.err")"
cs=$(cat "$f/watch_int.cs")
if [ "$cs" -lt 100 ]; then ok "watch, SIGINT: ended ${cs}0 ms after it"; else bad "watch, SIGINT: ended ${cs}0 ms after it"; fi
expect "watch | head -1: the first frame" "1:+:56 | -" "$(watch_json "$f/watch_pipe.out" 2412)"
expect "watch | head -1: exit 0, nothing on stderr" 0: "$(cat "$f/watch_pipe.rc"):$(cat "$f/watch_pipe.err")"
for run in watch_j watch watch_idle watch_int watch_pipe; do expect_run_clean $run "$f"; done
expect_clean "after all runs" "$work/r"

n=$work/n/files
expect "no spectral files: the message" \
	"Error: spectral scan not available at /sys/kernel/debug/ieee80211/phy0/ath9k" "$(cat "$n/nospec.err")"
expect "no spectral files: exit 1" 1 "$(cat "$n/nospec.rc")"
expect "no spectral files: no report" "" "$(cat "$n/nospec.out")"

# samples that come 30 ms after the trigger are still waited for
l=$work/l/files
one_trigger "late samples, -d 0" "$l/d0.out" 2412 64
expect "late samples, -d 0: exit 0, nothing on stderr" 0: "$(cat "$l/d0.rc"):$(cat "$l/d0.err")"
expect "late samples, -d 10 -j" "2412/-95 64.0 True True True" "$(json_summary "$l/d10.out")"
expect "late samples, -d 10 -j: exit 0, nothing on stderr" 0: "$(cat "$l/d10.rc"):$(cat "$l/d10.err")"
expect "late samples, watch: records in both frames" "1:+:56 2:+:56 | 2412/20" "$(watch_json "$l/watch_late.out" 2412)"
expect "late samples, watch: exit 0, nothing on stderr" 0: "$(cat "$l/watch_late.rc"):$(cat "$l/watch_late.err")"
for run in d0 d10 watch_late; do expect_run_clean $run "$l"; done
expect_clean "late samples: after all runs" "$work/l"

# an HT40+ access point on 2412: 40 MHz records centred on 2422, as decoded
h=$work/h/files
one_trigger "HT40" "$h/ht40.out" 2422 128
expect "HT40: bins run from 2402 to 2441.6875 MHz" "2402.0000 2441.6875" \
	"$(text_bins "$h/ht40.out" | awk 'NR==1{a=$1} {b=$1} END{print a, b}')"
expect "HT40: exit 0, nothing on stderr" 0: "$(cat "$h/ht40.rc"):$(cat "$h/ht40.err")"
expect_run_clean ht40 "$h"
# -F there: the operating channel's 40 MHz records (control 2412, centre
# 2422) are kept whole beside the other channels' 20 MHz ones
expect "HT40 -F 2412-2462: the operating channel at 40 MHz, the others at 20" "2422 2432 2452" \
	"$(text_headers "$h/ht40_f.out" | awk '{print $1}' | sort -nu | tr '\n' ' ' | sed 's/ $//')"
expect "HT40 -F 2412-2462: 128 bins per 40 MHz record, 64 per 20 MHz one" \
	"$(text_headers "$h/ht40_f.out" | awk '{n += $1 == 2422 ? 128 : 64} END {print n}')" \
	"$(text_bins "$h/ht40_f.out" | wc -l | tr -d ' ')"
expect "HT40 -F: exit 0, nothing on stderr" 0: "$(cat "$h/ht40_f.rc"):$(cat "$h/ht40_f.err")"
expect_run_clean ht40_f "$h"
expect_clean "HT40: after the run" "$work/h"

# a USB radio: the same files under phy0/ath9k_htc
u=$work/u/files
one_trigger "ath9k_htc" "$u/htc.out" 2412 64
expect "ath9k_htc: exit 0, nothing on stderr" 0: "$(cat "$u/htc.rc"):$(cat "$u/htc.err")"
expect_run_clean htc "$u"
expect_clean "ath9k_htc: after the run" "$work/u"

# ath10k: rssi and noise of a raw type-3 record (u8, be16 signed), and its
# bins; nothing when the relay is empty
raw_ath10k() { # FILE
	python3 - "$1" <<'PY'
import sys
b = open(sys.argv[1], "rb").read()
if len(b) >= 29 and b[0] == 3:
    noise = b[8] << 8 | b[9]
    print(b[25], noise - 65536 if noise > 32767 else noise, len(b) - 29 if len(b) == 3 + (b[1] << 8 | b[2]) else "size?")
PY
}
# A one-record text report's n bins against centre + (k - n/2) x SPACING,
# the exact value rounded to 4 decimals, ties to even; the first wrong bin
ath10k_bins_off() { # FILE CENTRE SPACING
	text_bins "$1" | python3 -c '
import sys
from decimal import Decimal, ROUND_HALF_EVEN
from fractions import Fraction
lines = sys.stdin.read().split("\n")[:-1]
c, step, n = int(sys.argv[1]), Fraction(sys.argv[2]), len(lines)
for k, line in enumerate(lines):
    f = c + (k - n // 2) * step
    want = (Decimal(f.numerator) / Decimal(f.denominator)).quantize(Decimal("0.0001"), ROUND_HALF_EVEN)
    if line.split()[0] != str(want):
        print("bin %d of %d: %s, want %s" % (k, n, line.split()[0], want))
        break
' "$2" "$3"
}
# -j against -'s text of the same channel: the channel's header and every
# pair, MHz to the digit, dBm within the text's rounding
ath10k_json_vs_text() { # JSON TEXT
	python3 - "$1" "$2" <<'PY'
import json, sys
from decimal import Decimal
try:
    d = json.load(open(sys.argv[1]), parse_float=str)
except ValueError as e:
    sys.exit(print("unparsable:", e))
text = open(sys.argv[2]).read().split("\n")
heads = text[:text.index("")]
bins = [l.split() for l in text[len(heads) + 1:] if l]
ch, pairs = d.get("scan_channels"), d.get("scan_results")
out = ["; ".join("%s MHz  RSSI: %s dBm  Noise: %s dBm" % (c["freq"], c["rssi"], c["noise"]) for c in ch) or "no channel",
       "%d pairs" % len(pairs)]
if len(pairs) != len(bins):
    out.append("the text has %d bins" % len(bins))
else:
    off = [k for k, (p, t) in enumerate(zip(pairs, bins))
           if p[0] != t[0] or abs(Decimal(p[1]) - Decimal(t[1])) > Decimal("0.0501")]
    out.append("bin %d: %s, the text's %s" % (off[0], pairs[off[0]], bins[off[0]]) if off else "the text's bins")
if [h.split(" MHz")[0] + ".0000" for h in heads] != [c["freq"] for c in ch]:
    out.append("the text's channels: %s" % heads)
print(" | ".join(out))
PY
}
# width, centre, the MHz the driver's bins span (chan_width_mhz), then per
# bin count (64, 128, 256) the first and last bin to 4 decimals and their
# spacing ("-": no samples)
while read -r w c span b64 b128 b256; do
	x=$work/x$w/files
	for nb in "64 $b64" "128 $b128" "256 $b256"; do
		set -- $nb
		n=$1 edges=$2
		t=$x/t$n.out
		name="ath10k $w MHz, $n bins"
		if [ "$edges" = - ]; then
			# ath10k_spectral_process_fft drops 80 MHz FFTs of 64 bins
			expect "$name: the driver dropped them (premise)" 0 "$(wc -c <"$x/raw$n" | tr -d ' ')"
			expect "$name: the empty report" "" "$(cat "$t")"
			expect "$name: the warning, exit 0" "$no_samples 0" "$(cat "$x/t$n.err") $(cat "$x/t$n.rc")"
			expect "$name, -j: the empty report" "no channel | 0 pairs | the text's bins" \
				"$(ath10k_json_vs_text "$x/j$n.out" "$t")"
			expect "$name, -j: the warning, exit 0" "$no_samples 0" "$(cat "$x/j$n.err") $(cat "$x/j$n.rc")"
		else
			set -- $(raw_ath10k "$x/raw$n")
			expect "$name: the driver's record has $n bins (premise)" "$n" "${3:-none}"
			head="$c MHz  RSSI: ${1:-?} dBm  Noise: ${2:-?} dBm"
			expect "$name: one record, rssi and noise as the driver gave them" "$head" "$(text_headers "$t")"
			expect "$name: its bins from ${edges%,*}" "$n ${edges%,*}" \
				"$(text_bins "$t" | awk 'NR == 1 { a = $1 } { b = $1 } END { print NR, a "-" b }')"
			expect "$name: every bin ${edges#*,} MHz apart, to 4 decimals" "" "$(ath10k_bins_off "$t" $c ${edges#*,})"
			expect "$name: exit 0, nothing on stderr" 0: "$(cat "$x/t$n.rc"):$(cat "$x/t$n.err")"
			expect "$name, -j: the text's channel and bins" "$c.0000 MHz  RSSI: ${1:-?} dBm  Noise: ${2:-?} dBm | $n pairs | the text's bins" \
				"$(ath10k_json_vs_text "$x/j$n.out" "$t")"
			expect "$name, -j: exit 0, nothing on stderr" 0: "$(cat "$x/j$n.rc"):$(cat "$x/j$n.err")"
		fi
		expect_run_clean t$n "$x" "$name"
		expect_run_clean j$n "$x" "$name, -j"
	done
	[ $w = 80 ] && d=3 || d=0
	expect "ath10k $w MHz: the FFTs the driver discarded" "discarded $d" "$(cat "$x/bins.discarded")"

	# spectral_count 37 would be 37 records: rfpeek's 1 took effect
	expect "ath10k $w MHz, count 37, bins 128: one record of 128 bins" "1 128" \
		"$(text_headers "$x/odd.out" | wc -l) $(text_bins "$x/odd.out" | wc -l)"
	expect "ath10k $w MHz, count 37, bins 128: exit 0, nothing on stderr" 0: "$(cat "$x/odd.rc"):$(cat "$x/odd.err")"
	expect "ath10k $w MHz: count 37 and bins 128 set (premise)" "37 128" "$(cat "$x/odd.found")"
	expect_run_clean odd "$x" "ath10k $w MHz, count 37, bins 128"

	expect "ath10k $w MHz, -F: the driver left in background mode (premise)" background "$(cat "$x/refused.mode")"
	expect "ath10k $w MHz, -F: refused" "Error: ath10k cannot sample during a channel scan: -F is not available on this radio" \
		"$(cat "$x/refused.err")"
	expect "ath10k $w MHz, -F: exit 1, no report" 1: "$(cat "$x/refused.rc"):$(cat "$x/refused.out")"
	expect "ath10k $w MHz, -F: no scan, no trigger" "triggers 0 channel_changes 0 scan_channel_changes 0" \
		"$(grep -E '^(triggers|channel_changes|scan_channel_changes) ' "$x/refused.counters" | tr '\n' ' ' | sed 's/ $//')"
	expect "ath10k $w MHz, -F: nothing reached the driver's log" "" "$(cat "$x/refused.events")"
	expect_run_clean refused "$x" "ath10k $w MHz, -F"

	# the watch's frames hold the record's 128 bins, its summary the channel
	expect "ath10k $w MHz, watch -j: 3 frames of 128 bins, the summary" \
		"1:+:128 2:+:128 3:+:128 | $c/$w" "$(watch_json "$x/watch_j.out" $c/$((span / 2)))"
	expect "ath10k $w MHz, watch -j: exit 0, nothing on stderr" 0: "$(cat "$x/watch_j.rc"):$(cat "$x/watch_j.err")"
	expect "ath10k $w MHz, watch, plain: header, 3 frames, the table" "M D F F F _ T $c/$w" \
		"$(watch_plain "$x/watch.out")"
	expect "ath10k $w MHz, watch, plain: exit 0, nothing on stderr" 0: "$(cat "$x/watch.rc"):$(cat "$x/watch.err")"
	expect_run_clean watch_j "$x" "ath10k $w MHz, watch -j"
	expect_run_clean watch "$x" "ath10k $w MHz, watch, plain"
	# "disable" is refused too, but the scan reads disabled: no warning
	expect "ath10k $w MHz, no interface up: refused" "Error: failed to trigger spectral scan" \
		"$(cat "$x/novif.err")"
	expect "ath10k $w MHz, no interface up: exit 1, no report" 1: "$(cat "$x/novif.rc"):$(cat "$x/novif.out")"
	expect_run_clean novif "$x" "ath10k $w MHz, no interface up"
	expect_clean "ath10k $w MHz: after all runs" "$work/x$w" 37
done <<'WIDTHS'
20 5180 22 5169.0000-5190.6562,0.34375 5169.0000-5190.8281,0.171875 5169.0000-5190.9141,0.0859375
40 5190 44 5168.0000-5211.3125,0.6875 5168.0000-5211.6562,0.34375 5168.0000-5211.8281,0.171875
80 5210 88 - 5166.0000-5253.3125,0.6875 5166.0000-5253.6562,0.34375
WIDTHS
finish
