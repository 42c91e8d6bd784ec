# SPDX-License-Identifier: GPL-2.0-only
# Sourced by the guest scripts (busybox sh, inside the VM).
# A: phy0's spectral files (a script sets it again for ath9k_htc's or ath10k's)
A=/sys/kernel/debug/ieee80211/phy0/ath9k
# settings FILE: spectral_count, and spectral_bins where the driver has one
# (ath10k), on one line
settings() { echo $(cat $A/spectral_count $A/spectral_bins 2>/dev/null) >"$1"; }
# run NAME COMMAND...: keeps NAME.out, .err, .rc, phy0's settings before
# COMMAND in .found, and its .ctl, .count (settings) and .relay (bytes
# left) as they are right after it.
run() {
	name=$1
	shift
	settings "$name.found"
	"$@" >"$name.out" 2>"$name.err"
	echo $? >"$name.rc"
	left "$name"
}
# left NAME: what a run left in phy0's files, as run keeps it (a run in the
# background keeps NAME.found itself, with settings, before it starts)
left() {
	cat $A/spectral_scan_ctl >"$1.ctl"
	settings "$1.count"
	cat $A/spectral_scan0 | wc -c | tr -d ' ' >"$1.relay"
}
# /proc/uptime has two decimals; "0.84" pasted into "084" would be octal
# to the shell (a guest that boots in under a second, as the MIPS one does)
uptime_cs() { read -r up _ </proc/uptime; echo $((${up%.*} * 100 + 1${up#*.} - 100)); }
# wait_scanning: until phy0's scan runs (at most 10 s), so that what
# follows meets rfpeek in its wait rather than before it
wait_scanning() {
	i=0
	until grep -q '^scanning 1' /sys/kernel/debug/rfpeek_bench/phy0/counters || [ $i -ge 200 ]; do
		usleep 50000
		i=$((i + 1))
	done
}
# stop_run NAME SIGNAL: signals the rfpeek started in the background ($pid)
# and keeps NAME.rc and NAME.cs, the hundredths of a second it took to end
stop_run() {
	t0=$(uptime_cs)
	kill -$2 $pid
	wait $pid
	echo $? >"$1.rc"
	echo $(( $(uptime_cs) - t0 )) >"$1.cs"
}
