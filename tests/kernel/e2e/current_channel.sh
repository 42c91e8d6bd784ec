#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-only
# rfpeek without -F on the kernel bench: a capture on the channel wlan0 is
# on, its reports, the phy lookup, the ways it ends, and the radios that
# deliver late, sample 40 MHz wide or sit on USB.
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
finish
