#!/bin/bash
# rfpeek without -F on the kernel bench: a capture on the channel wlan0 is
# on, its reports, the phy lookup and the ways it ends.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

guest_script "$work/guest.sh" <<'GUEST'
run text rfpeek
run json rfpeek -j
run file rfpeek -d 0 -o report.json
run missing rfpeek -i nosuch0
# phy1's radio, not phy0's: only its trigger counter may move
cat /sys/kernel/debug/rfpeek_bench/phy0/counters >phy0.before
run phy1 rfpeek -i wlan1
cat /sys/kernel/debug/ieee80211/phy1/ath9k/spectral_scan_ctl >phy1.ctl1
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
GUEST
boot --radios 2 --out "$work/r" --script "$work/guest.sh"
guest_script "$work/nospectral.sh" <<'GUEST'
run nospec rfpeek
GUEST
boot --no-spectral --out "$work/n" --script "$work/nospectral.sh"
f=$work/r/files

# text: one record on wlan0's channel, completed to 64 bins
expect "text: exit 0" 0 "$(cat "$f/text.rc")"
expect "text: nothing on stderr" "" "$(cat "$f/text.err")"
expect_match "text: header of the 2412 MHz record" '^2412 MHz  RSSI: -?[0-9]+ dBm  Noise: -95 dBm$' \
	"$(text_headers "$f/text.out")"
expect "text: 64 bin lines" 64 "$(text_bins "$f/text.out" | wc -l)"
expect "text: every bin line is %10.4f  %10.1f" 0 \
	"$(text_bins "$f/text.out" | grep -Evc '^[ 0-9.]{10}  [ 0-9.-]{10}$')"
expect "text: bins run from 2402 to 2421.6875 MHz" "2402.0000 2421.6875" \
	"$(text_bins "$f/text.out" | awk 'NR==1{a=$1} {b=$1} END{print a, b}')"
# the scene's narrow tone at 2414 MHz stands out of a floor near -110 dBm
expect "text: strongest bin at the 2414 MHz tone" 2413.8750 \
	"$(text_bins "$f/text.out" | sort -k2 -g -r | awk 'NR==1{print $1}')"
expect_match "text: floor near -110 dBm" '^-11[0-2]\.[0-9]$' \
	"$(text_bins "$f/text.out" | awk '{print $2}' | sort -g | sed -n 32p)"

for run in text json file phy1; do expect_run_clean $run "$f"; done
expect "phy1: wlan1's phy left disabled" disable "$(cat "$f/phy1.ctl1")"

json_summary() { # FILE: centres, noise and the number of bins, or the parse error
	python3 - "$1" <<'PY'
import json, sys
try:
    d = json.load(open(sys.argv[1]))
    ch = d["scan_channels"]
    print(" ".join("%g/%d" % (c["freq"], c["noise"]) for c in ch), len(d["scan_results"]),
          all(len(p) == 2 for p in d["scan_results"]), list(d) == ["scan_channels", "scan_results"])
except Exception as e:
    print("unparsable:", e)
PY
}
expect "-j: JSON on stdout" "2412/-95 64 True True" "$(json_summary "$f/json.out")"
expect "-j: exit 0" 0 "$(cat "$f/json.rc")"
expect "-o: JSON in the file" "2412/-95 64 True True" "$(json_summary "$f/report.json")"
expect "-o: nothing on stdout" "" "$(cat "$f/file.out")"
expect "-o: exit 0" 0 "$(cat "$f/file.rc")"

# -i wlan1 resolves phy1: its stand-in was triggered, phy0's was not
expect "phy1: a report of one record" 1 "$(text_headers "$f/phy1.out" | wc -l)"
expect "phy1: triggered phy1's driver" "triggers 1" "$(grep '^triggers' "$f/phy1.after")"
expect "phy1: phy0's driver untouched" "$(cat "$f/phy0.before")" "$(cat "$f/phy0.after")"

expect "missing interface: the init failure" "Error: nl80211 init failed" "$(cat "$f/missing.err")"
expect "missing interface: exit 1" 1 "$(cat "$f/missing.rc")"

expect "SIGTERM in the dwell: still reports" 1 "$(text_headers "$f/term.out" | wc -l)"
expect "SIGTERM in the dwell: exit 0" 0 "$(cat "$f/term.rc")"
expect "SIGTERM in the dwell: disabled" disable "$(cat "$f/term.ctl")"
cs=$(cat "$f/term.cs")
if [ "$cs" -lt 1000 ]; then ok "SIGTERM cuts the 20 s dwell short (${cs}0 ms)"; else bad "SIGTERM did not cut the dwell short: ${cs}0 ms"; fi
expect_clean "after all runs" "$work/r"

n=$work/n/files
expect "no spectral files: the message" \
	"Error: spectral scan not available at /sys/kernel/debug/ieee80211/phy0/ath9k" "$(cat "$n/nospec.err")"
expect "no spectral files: exit 1" 1 "$(cat "$n/nospec.rc")"
expect "no spectral files: no report" "" "$(cat "$n/nospec.out")"
finish
