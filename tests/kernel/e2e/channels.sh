#!/bin/bash
# rfpeek -F on the kernel bench: the channel plan against hwsim's channels,
# the scan through the kernel's nl80211, the wait for its end, and refusals.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

guest_script "$work/station.sh" <<'GUEST'
iw phy phy0 info >phy0.info
t0=$(uptime_cs)
run range rfpeek -F 2412-2462
echo $(( $(uptime_cs) - t0 )) >range.cs
run rangejson rfpeek -F 2412-2462 -j
run all rfpeek -F all -o all.json
run none rfpeek -F 900 -F 3000-3010
# a scan of wlan0 already running: the kernel refuses ours with EBUSY
iw dev wlan0 scan trigger >/dev/null 2>busy.iw
run busy rfpeek -F 2412
sleep 5
# wlan1 is down: ENETDOWN
run down rfpeek -i wlan1 -F 2412
# a scan on the other radio ends while ours still runs: it must not end our wait
ip link set wlan1 up
iw event >other.events 2>&1 &
evpid=$!
rfpeek -F all -j >other.out 2>other.err &
pid=$!
wait_scanning
iw dev wlan1 scan trigger freq 2412 >/dev/null 2>other.iw
echo $? >other.iwrc
wait $pid
echo $? >other.rc
kill $evpid
# SIGINT in the wait ends it at once, without the warning
rfpeek -F all >int.out 2>int.err &
pid=$!
wait_scanning
t0=$(uptime_cs)
kill -INT $pid
wait $pid
echo $? >int.rc
echo $(( $(uptime_cs) - t0 )) >int.cs
cat $A/spectral_scan_ctl >int.ctl
cat $A/spectral_scan0 | wc -c | tr -d ' ' >int.relay
GUEST
boot --radios 2 --out "$work/s" --script "$work/station.sh"

guest_script "$work/ap.sh" <<'GUEST'
run ap rfpeek -F 2412-2462 -j
GUEST
boot --ap --out "$work/a" --script "$work/ap.sh"

f=$work/s/files
# centres, bins per record and the parse check of a JSON report
json_records() {
	python3 - "$1" <<'PY'
import json, sys
try:
    d = json.load(open(sys.argv[1]))
    ch, res = d["scan_channels"], d["scan_results"]
    print(" ".join("%d" % c["freq"] for c in ch), len(res) / max(len(ch), 1))
except Exception as e:
    print("unparsable:", e)
PY
}
# the plan rfpeek must make from phy0's enabled channels with no requests
plan_all() {
	python3 - "$1" <<'PY'
import re, sys
last, plan = 0, []
for line in open(sys.argv[1]):
    m = re.match(r"\s*\* (\d+)(?:\.\d+)? MHz \[\d+\](.*)", line)
    if m and "disabled" not in m.group(2):
        f = int(m.group(1))
        if f - last >= 20:
            plan.append(f)
            last = f
print(" ".join(map(str, plan)))
PY
}
distinct() { tr ' ' '\n' | sort -nu | tr '\n' ' ' | sed 's/ $//'; }

expect "range: exit 0" 0 "$(cat "$f/range.rc")"
expect "range: no warning" "" "$(cat "$f/range.err")"
expect "range: only the planned channels 2412 2432 2452" "2412 2432 2452" \
	"$(text_headers "$f/range.out" | awk '{print $1}' | tr '\n' ' ' | distinct)"
expect "range: every record completed to 64 bins" \
	$(( $(text_headers "$f/range.out" | wc -l) * 64 )) "$(text_bins "$f/range.out" | wc -l)"
expect_run_clean range "$f"
cs=$(cat "$f/range.cs")
echo "# rfpeek -F 2412-2462 took ${cs}0 ms"
# the kernel announces the results after well under a second; the
# time-out per poll would be 5.3 s
if [ "$cs" -lt 250 ]; then ok "range: the wait ends on the kernel's results (${cs}0 ms)"
else bad "range: the wait took ${cs}0 ms, as if it ran into its time-out"; fi

rec=$(json_records "$f/rangejson.out")
expect_match "-j: 2412 2432 2452 in scan order, 64 bins each" '^(2412 )?2412 2432 2452 2412 64\.0$' "$rec"

plan=$(plan_all "$f/phy0.info")
echo "# hwsim's channels give the plan: $plan"
rec=$(json_records "$f/all.json")
expect "all: a record on every planned channel, none elsewhere" "$plan" \
	"$(echo "${rec% *}" | distinct)"
expect "all: 64 bins per record" 64.0 "${rec##* }"
expect "all: exit 0, no warning" "0:" "$(cat "$f/all.rc"):$(cat "$f/all.err")"
expect_run_clean all "$f"

expect "no channel near the requests: the message" "Error: no valid channels to scan" "$(cat "$f/none.err")"
expect "no channel near the requests: exit 1" 1 "$(cat "$f/none.rc")"
expect_run_clean none "$f"

expect "scan already running: the kernel's refusal is a warning" "Warning: nl80211 scan failed" "$(cat "$f/busy.err")"
expect "scan already running: still a report, exit 0" 0 "$(cat "$f/busy.rc")"
expect "scan already running: the report is printed (one blank line per empty report)" 1 \
	"$(grep -c '^$' "$f/busy.out")"
expect_run_clean busy "$f"
expect "interface down: warning" "Warning: nl80211 scan failed" "$(cat "$f/down.err")"
expect "interface down: an empty report, exit 0" "0:1" "$(cat "$f/down.rc"):$(wc -l <"$f/down.out")"

expect "other radio's scan started" 0 "$(cat "$f/other.iwrc")"
# iw prints "wlan1 (phy #1): scan finished: ..." for the results event
expect "other radio's scan finished before ours" "wlan1 wlan0" \
	"$(sed -n 's/^\(wlan[01]\) (phy #[01]): scan finished.*/\1/p' "$f/other.events" | tr '\n' ' ' | sed 's/ $//')"
rec=$(json_records "$f/other.out")
expect "other radio's scan does not end our wait: every planned channel reported" "$plan" \
	"$(echo "${rec% *}" | distinct)"
expect "other radio: exit 0, no warning" "0:" "$(cat "$f/other.rc"):$(cat "$f/other.err")"

expect "SIGINT in the wait: no warning" "" "$(cat "$f/int.err")"
expect "SIGINT in the wait: exit 0" 0 "$(cat "$f/int.rc")"
expect "SIGINT in the wait: spectral scan left disabled" disable "$(cat "$f/int.ctl")"
expect "SIGINT in the wait: relay left empty" 0 "$(cat "$f/int.relay")"
cs=$(cat "$f/int.cs")
if [ "$cs" -lt 100 ]; then ok "SIGINT ends the wait at once (${cs}0 ms)"
else bad "SIGINT took ${cs}0 ms to end the run"; fi
expect_clean "after all runs" "$work/s"

a=$work/a/files
expect "access point: scans without a warning" "0:" "$(cat "$a/ap.rc"):$(cat "$a/ap.err")"
rec=$(json_records "$a/ap.out")
expect "access point: the planned channels reported" "2412 2432 2452" "$(echo "${rec% *}" | distinct)"
finish
