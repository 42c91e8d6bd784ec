#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-only
# rfpeek -F on the kernel bench: the channel plan against hwsim's channels,
# the scan through the kernel's nl80211, the wait for its end, and refusals.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# Kernels before 5.11 (and stable releases of them until the check was
# dropped) refuse a scan that carries a measurement duration with
# EOPNOTSUPP, since ath9k does not announce scan-dwell support. Neither
# bench kernel does: this preload has such a request sent for a monitor
# interface instead, which mac80211 refuses with EOPNOTSUPP, and logs
# every scan request.
cat >"$work/refuse.c" <<'C'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <linux/genetlink.h>
#include <linux/netlink.h>
#include <net/if.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/socket.h>

ssize_t sendmsg(int fd, const struct msghdr *m, int flags)
{
	static ssize_t (*real)(int, const struct msghdr *, int);
	if (!real)
		real = (ssize_t (*)(int, const struct msghdr *, int))dlsym(RTLD_NEXT, "sendmsg");
	if (m->msg_iovlen >= 1 && m->msg_iov[0].iov_len >= NLMSG_HDRLEN + GENL_HDRLEN) {
		unsigned char *b = m->msg_iov[0].iov_base;
		struct nlmsghdr *h = (struct nlmsghdr *)b;
		struct genlmsghdr *g = (struct genlmsghdr *)(b + NLMSG_HDRLEN);
		size_t end = h->nlmsg_len < m->msg_iov[0].iov_len ? h->nlmsg_len : m->msg_iov[0].iov_len;
		if (h->nlmsg_type > GENL_ID_CTRL && g->cmd == 33) {   /* NL80211_CMD_TRIGGER_SCAN */
			uint32_t *ifindex = NULL;
			int duration = 0;
			for (size_t pos = NLMSG_HDRLEN + GENL_HDRLEN; pos + NLA_HDRLEN <= end;) {
				struct nlattr *a = (struct nlattr *)(b + pos);
				if (a->nla_len < NLA_HDRLEN)
					break;
				if ((a->nla_type & NLA_TYPE_MASK) == 3)
					ifindex = (uint32_t *)(b + pos + NLA_HDRLEN);
				if ((a->nla_type & NLA_TYPE_MASK) == 235)   /* MEASUREMENT_DURATION */
					duration = 1;
				pos += NLA_ALIGN(a->nla_len);
			}
			FILE *log = fopen(getenv("REFUSE_LOG"), "a");
			if (log) {
				fprintf(log, "trigger_scan duration=%d\n", duration);
				fclose(log);
			}
			if (duration && ifindex)
				*ifindex = if_nametoindex(getenv("REFUSE_VIA"));
		}
	}
	return real(fd, m, flags);
}
C
cc -shared -fPIC -O2 -Wall -Werror -o "$work/refuse.so" "$work/refuse.c" || {
	bad "cannot build the refusing preload"
	finish
}

{
	echo "base64 -d >/tmp/refuse.so <<'B64'"
	base64 "$work/refuse.so"
	echo B64
	cat
} <<'GUEST' | guest_script "$work/station.sh"
iw phy phy0 info >phy0.info
t0=$(uptime_cs)
run range rfpeek -F 2412-2462
echo $(( $(uptime_cs) - t0 )) >range.cs
run rangejson rfpeek -F 2412-2462 -j
run all rfpeek -F all -o all.json
run none rfpeek -F 900 -F 3000-3010
run watch rfpeek -w --frames 2 -F 2412-2462 -j
# the request with a duration refused, the one without it taken
run dwell env REFUSE_LOG=$PWD/dwell.log REFUSE_VIA=mon0 LD_PRELOAD=/tmp/refuse.so rfpeek -F 2412-2462
# mon0 itself cannot scan: one request without the duration, then the warning
run mon env REFUSE_LOG=$PWD/mon.log REFUSE_VIA=mon0 LD_PRELOAD=/tmp/refuse.so rfpeek -i mon0 -F 2412
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
stop_run int INT
cat $A/spectral_scan_ctl >int.ctl
cat $A/spectral_scan0 | wc -c | tr -d ' ' >int.relay
# SIGINT in a watch's scan: the scan aborted, what it had shown
K=/sys/kernel/debug/rfpeek_bench/phy0
echo 1 >$K/reset
settings watch_int.found
rfpeek -w -F all -j >watch_int.out 2>watch_int.err &
pid=$!
wait_scanning
usleep 300000
stop_run watch_int INT
grep '^scanning' $K/counters >watch_int.scanning
cat $K/events >watch_int.events
left watch_int
GUEST
boot --radios 2 --out "$work/s" --script "$work/station.sh"

guest_script "$work/ap.sh" <<'GUEST'
run ap rfpeek -F 2412-2462 -j
GUEST
boot --ap --out "$work/a" --script "$work/ap.sh"

# samples 30 ms after each channel change: those of the return to the
# operating channel come after the kernel's end-of-scan event
guest_script "$work/late.sh" <<'GUEST'
run late rfpeek -F 2412-2462 -j
GUEST
boot --sample-delay 30 --out "$work/l" --script "$work/late.sh"

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
# one or two records per visit (ath9k's short repeat); on 6.12 the scan
# visits the operating channel 2412 first too; the return to it comes last
scan_order='^(2412 ){1,4}(2432 ){1,2}(2452 ){1,2}(2412 ){1,2}64\.0$'
expect_match "-j: 2412 2432 2452 in scan order, then the return, 64 bins each" "$scan_order" "$rec"

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

# a watch of the plan: every frame holds each planned channel's 56 bins
expect "watch -F 2412-2462: 2 frames of the planned channels, the summary" \
	"1:+:56/56/56 2:+:56/56/56 | 2412/20 2432/20 2452/20" "$(watch_json "$f/watch.out" 2412 2432 2452)"
expect "watch -F: exit 0, nothing on stderr" 0: "$(cat "$f/watch.rc"):$(cat "$f/watch.err")"
expect_run_clean watch "$f"

# The MIPS guest's rfpeek is static: LD_PRELOAD does nothing there, so the
# requests go unlogged, dwell is a plain run and mon0's own refusals alone
# make its warning. The requests are checked on x86_64.
if [ "${RFPEEK_VM_ARCH:-x86_64}" = x86_64 ]; then
	expect "duration refused: the request sent again without it" "trigger_scan duration=1
trigger_scan duration=0" "$(cat "$f/dwell.log")"
	expect "monitor interface: refused twice, no more" "trigger_scan duration=1
trigger_scan duration=0" "$(cat "$f/mon.log")"
else
	echo "# MIPS: static rfpeek, no LD_PRELOAD: the scan requests are not logged"
fi
expect "duration refused: exit 0, no warning" "0:" "$(cat "$f/dwell.rc"):$(cat "$f/dwell.err")"
expect "duration refused: the planned channels" "2412 2432 2452" \
	"$(text_headers "$f/dwell.out" | awk '{print $1}' | tr '\n' ' ' | distinct)"
expect_run_clean dwell "$f"
expect "monitor interface: the warning alone" "Warning: nl80211 scan failed" "$(cat "$f/mon.err")"
expect "monitor interface: an empty report, exit 0" "0:1" "$(cat "$f/mon.rc"):$(wc -l <"$f/mon.out")"
expect_run_clean mon "$f"

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

# the sweep of all channels takes seconds; the stop aborts it at once
expect "watch -F, SIGINT in the scan: exit 0, nothing on stderr" 0: "$(cat "$f/watch_int.rc"):$(cat "$f/watch_int.err")"
expect_match "watch -F, SIGINT in the scan: the frame so far, the summary" '^1:\+: \| 2412/20( [0-9]+/20)*$' \
	"$(watch_json "$f/watch_int.out")"
cs=$(cat "$f/watch_int.cs")
if [ "$cs" -lt 100 ]; then ok "watch -F, SIGINT in the scan: ended ${cs}0 ms after it"
else bad "watch -F, SIGINT in the scan: ended ${cs}0 ms after it"; fi
expect "watch -F, SIGINT in the scan: the kernel's scan over when rfpeek is" "scanning 0" "$(cat "$f/watch_int.scanning")"
n=$(grep -c '^channel .*scanning=1' "$f/watch_int.events")
m=$(echo $plan | wc -w)
if [ "$n" -lt "$m" ]; then ok "watch -F, SIGINT in the scan: aborted after $n of $m channel changes"
else bad "watch -F, SIGINT in the scan: $n channel changes for a plan of $m: not aborted"; fi
expect "watch -F, SIGINT in the scan: the radio back on 2412" "channel freq=2412" \
	"$(grep '^channel' "$f/watch_int.events" | tail -1 | cut -d' ' -f1-2)"
expect_run_clean watch_int "$f"
expect_clean "after all runs" "$work/s"

a=$work/a/files
expect "access point: scans without a warning" "0:" "$(cat "$a/ap.rc"):$(cat "$a/ap.err")"
rec=$(json_records "$a/ap.out")
expect "access point: the planned channels reported" "2412 2432 2452" "$(echo "${rec% *}" | distinct)"

l=$work/l/files
expect_match "late samples: 2412 2432 2452, then the return to 2412" "$scan_order" \
	"$(json_records "$l/late.out")"
expect "late samples: exit 0, no warning" "0:" "$(cat "$l/late.rc"):$(cat "$l/late.err")"
expect_run_clean late "$l"
expect_clean "late samples: after the run" "$work/l"
finish
