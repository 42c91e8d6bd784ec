# Runs inside a bench VM (busybox sh) booted with --radios 3: checks that the
# stand-in's files behave as ath9k's do, and its test knobs. One line per
# check, "ok - NAME" or "not ok - NAME: why"; "checks done" at the end.
A=/sys/kernel/debug/ieee80211/phy0/ath9k
K=/sys/kernel/debug/rfpeek_bench/phy0
CTL=$A/spectral_scan_ctl
CNT=$A/spectral_count
REL=$A/spectral_scan0

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
size() { wc -c <"$1" | tr -d ' '; }
take() { cat "$REL" >"$1"; } # drain phy0's relay into a file
u8() { od -An -tu1 -j "$2" -N1 "$1" | tr -d ' '; } # FILE OFFSET
s8() { v=$(u8 "$1" "$2"); [ "$v" -ge 128 ] && v=$((v - 256)); echo "$v"; }
be16() { echo $(($(u8 "$1" "$2") * 256 + $(u8 "$1" $(($2 + 1))))); }
be32() { echo $(($(be16 "$1" "$2") * 65536 + $(be16 "$1" $(($2 + 2))))); }
# freq of every record in FILE, space-separated
freqs() {
	n=$(($(size "$1") / 76)) i=0 out=
	while [ $i -lt "$n" ]; do
		out="$out${out:+ }$(be16 "$1" $((i * 76 + 4)))"
		i=$((i + 1))
	done
	echo "$out"
}
data() { dd if="$1" bs=1 skip=$(($2 * 76 + 20)) count=56 2>/dev/null | od -An -tu1 -v | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'; }
counter() { sed -n "s/^$2 //p" "/sys/kernel/debug/rfpeek_bench/$1/counters"; }
scan() { iw dev "$1" scan freq $2 >/dev/null 2>scan.err || echo "scan on $1 failed: $(cat scan.err)"; }

# --- files ---------------------------------------------------------------
for p in phy0 phy1 phy2; do
	d=/sys/kernel/debug/ieee80211/$p/ath9k
	expect "$p: ath9k files and modes" "-rw------- -r-------- -rw-------" \
		"$(ls -l $d/spectral_count $d/spectral_scan0 $d/spectral_scan_ctl 2>&1 | cut -c1-10 | tr '\n' ' ' | sed 's/ $//')"
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

# --- spectral_count -------------------------------------------------------
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

# --- relay ------------------------------------------------------------------
start=$(cut -d' ' -f1 /proc/uptime)
take r
end=$(cut -d' ' -f1 /proc/uptime)
expect "empty relay reads 0 bytes" "0" "$(size r)"
expect "empty relay read returns at once" "yes" "$(awk -v a=$start -v b=$end 'BEGIN { print (b - a < 2) ? "yes" : "no" }')"

echo 1 >$K/reset
wr $CTL disable >/dev/null
wr $CTL trigger >/dev/null
take r
expect "trigger while disabled writes nothing" "0" "$(size r)"
expect "trigger while disabled is still counted" "1" "$(counter phy0 triggers)"

wr $CTL manual >/dev/null
expect "manual alone writes nothing" "0" "$(cat $REL | wc -c | tr -d ' ')"
wr $CNT 3 >/dev/null
wr $CTL trigger >/dev/null
take r
expect "manual trigger with count 3 writes 3 HT20 records" "228" "$(size r)"
expect "records are type 1, length 73" "1 73 1 73 1 73" \
	"$(u8 r 0) $(be16 r 1) $(u8 r 76) $(be16 r 77) $(u8 r 152) $(be16 r 153)"
expect "records carry the current channel" "2412 2412 2412" "$(freqs r)"
expect "mode stays manual after a trigger" "manual" "$(cat $CTL)"
take r
expect "reading consumes" "0" "$(size r)"

wr $CNT 0 >/dev/null
wr $CTL trigger >/dev/null
take r
expect "count 0 gives one record" "76" "$(size r)"

wr $CNT 2 >/dev/null
wr $CTL trigger >/dev/null
dd if=$REL of=part bs=10 count=1 2>/dev/null
take rest
expect "a partial read leaves the rest" "10 142" "$(size part) $(size rest)"

wr $CTL background >/dev/null
wr $CTL trigger >/dev/null
take r
expect "background trigger writes count records" "152" "$(size r)"

# --- the scene --------------------------------------------------------------
wr $CTL manual >/dev/null
wr $CNT 1 >/dev/null
wr $CTL trigger >/dev/null
wr $CTL trigger >/dev/null
take r
expect "scene at 2412: noise -95, rssi 17" "-95 17" "$(s8 r 7) $(s8 r 6)"
expect "scene at 2412: tone of 200 in bin 34 (2414 MHz)" "200 34 200" "$(u8 r 54) $(u8 r 10) $(be16 r 8)"
expect "scene at 2412: every other bin on the floor (3..5)" "55" \
	"$(data r 0 | tr ' ' '\n' | awk '$1 >= 3 && $1 <= 5' | wc -l | tr -d ' ')"
expect "same channel, same data" "$(data r 0)" "$(data r 1)"
expect "tsf advances" "100" "$(($(be32 r 92) - $(be32 r 16)))"

# --- chanscan ------------------------------------------------------------------
# Which channel changes a software scan makes is mac80211's business and
# differs between kernels (6.12 also visits the operating channel before the
# first scanned one); the stand-in must follow them, count records each.
wr $CNT 2 >/dev/null
wr $CTL chanscan >/dev/null
echo 1 >$K/reset
scan wlan0 "2422 2437 2462"
take r
ev=$(awk '$4 == "scanning=1" { sub("freq=", "", $2); printf "%s%s", sep, $2; sep = " " }' $K/events)
echo "# scan's channel changes: $ev"
expect "chanscan: the scan visits 2422 2437 2462, then returns to 2412" "2422 2437 2462 2412" "${ev#2412 }"
expect "chanscan: count records at each channel change of the scan" \
	"$(for f in $ev; do echo $f $f; done | tr '\n' ' ' | sed 's/ $//')" "$(freqs r)"
expect "chanscan: every scan channel change counted, no trigger" "0 $(echo $ev | wc -w) $(echo $ev | wc -w)" \
	"$(counter phy0 triggers) $(counter phy0 channel_changes) $(counter phy0 scan_channel_changes)"
i=$(($(echo "$ev" | tr ' ' '\n' | grep -n -m1 '^2437$' | cut -d: -f1) * 2 - 2))
expect "scene at 2437: rssi 28" "28" "$(s8 r $((i * 76 + 6)))"
expect "scene at 2437: transmitter over bins 1-54 (98..102), skirt of 20 at both ends" "54 20 20" \
	"$(data r $i | tr ' ' '\n' | awk '$1 >= 98 && $1 <= 102' | wc -l | tr -d ' ') $(u8 r $((i * 76 + 20))) $(u8 r $((i * 76 + 75)))"
i=$(($(echo "$ev" | tr ' ' '\n' | grep -n -m1 '^2462$' | cut -d: -f1) * 2 - 2))
expect "scene at 2462: tone of 120 in bin 40 (2466 MHz)" "120 40" "$(u8 r $((i * 76 + 60))) $(u8 r $((i * 76 + 10)))"

wr $CTL trigger >/dev/null
take r
expect "chanscan: trigger outside a scan writes count records" "152" "$(size r)"

wr $CTL manual >/dev/null
scan wlan0 "2422 2437"
take r
expect "manual: a scan writes nothing" "0" "$(size r)"
wr $CTL disable >/dev/null
scan wlan0 "2422"
take r
expect "disable: a scan writes nothing" "0" "$(size r)"

# --- per phy -------------------------------------------------------------------
P1=/sys/kernel/debug/ieee80211/phy1/ath9k
K1=/sys/kernel/debug/rfpeek_bench/phy1
ip link set wlan1 up
echo chanscan >$P1/spectral_scan_ctl
echo 1 >$P1/spectral_count
wr $CTL chanscan >/dev/null
echo 1 >$K1/reset
scan wlan1 "2437"
take r
n1=$(counter phy1 scan_channel_changes)
expect "phy1's scan writes into phy1's relay only" "0 $((n1 * 76)) yes" \
	"$(size r) $(cat $P1/spectral_scan0 | wc -c | tr -d ' ') $([ "$n1" -ge 2 ] && echo yes || echo no)"
wr $CTL disable >/dev/null

# A channel change outside a scan: a monitor interface set to channel 6.
ip link set wlan1 down
iw dev wlan1 set type monitor
ip link set wlan1 up
echo 1 >$K1/reset
iw dev wlan1 set freq 2437
expect "chanscan: a channel change outside a scan writes nothing" "channel freq=2437 scanning=0 samples=0 0" \
	"$(awk '{ print $1, $2, $4, $5 }' $K1/events | tail -n1) $(cat $P1/spectral_scan0 | wc -c | tr -d ' ')"
echo disable >$P1/spectral_scan_ctl

# --- full relay: no overwrite, records never straddle a sub-buffer -------------
wr $CTL manual >/dev/null
wr $CNT 1 >/dev/null
wr $CTL trigger >/dev/null
take r
t0=$(be32 r 16)
echo 1 >$K/reset
wr $CNT 255 >/dev/null
i=0
while [ $i -lt 14 ]; do wr $CTL trigger >/dev/null; i=$((i + 1)); done
take r
# 1024-byte sub-buffers hold 13 records each, 3328 in all; the sub-buffer
# that was being written when the fill began had fewer places left.
kept=$(($(size r) / 76))
expect "full relay: whole records, each written one kept or dropped" "0 3570" \
	"$(($(size r) % 76)) $(($(counter phy0 samples) + $(counter phy0 dropped)))"
expect "full relay: holds 3316..3328 records" "yes $kept" \
	"$([ $kept -ge 3316 ] && [ $kept -le 3328 ] && echo yes || echo no) $(counter phy0 samples)"
expect "full relay keeps the oldest records" "$((t0 + 100)) $((t0 + kept * 100))" \
	"$(be32 r 16) $(be32 r $(((kept - 1) * 76 + 16)))"
expect "records stay whole across sub-buffers" "$kept 01 00 49" "$(od -An -tx1 -w76 -v r | cut -c1-9 | uniq -c | tr -s ' ' | sed 's/^ //')"
wr $CTL trigger >/dev/null
take r
expect "a drained relay takes records again" "19380" "$(size r)"

# --- knobs ------------------------------------------------------------------------
dd if=/dev/urandom of=pre bs=1000 count=3 2>/dev/null
cat pre >$K/preload
take r
expect "preload: bytes come back unchanged" "same" "$(cmp -s pre r && echo same || echo differ)"

echo "disable 16" >$K/fail_ctl
wr $CTL manual >/dev/null
expect "fail_ctl: the word fails with the errno given, mode kept" "Resource busy manual" "$(wr $CTL disable | sed 's/Device or resource busy/Resource busy/') $(cat $CTL)"
expect "fail_ctl: other words still work" "ok" "$(wr $CTL manual)"
expect "fail_ctl reads back" "disable 16" "$(cat $K/fail_ctl)"
echo count >$K/fail_ctl
before=$(cat $CNT)
expect "fail_ctl count: count writes fail with EIO, value kept" "Input/output error $before" "$(wr $CNT 5) $(cat $CNT)"
echo none >$K/fail_ctl
expect "fail_ctl none: all works again" "ok ok disable" "$(wr $CNT 5) $(wr $CTL disable) $(cat $CTL)"

echo 1 >$K/reset
expect "reset clears counters and events" "0 0 0" "$(counter phy0 triggers) $(counter phy0 samples) $(wc -l <$K/events | tr -d ' ')"

# inject, manual: on phy0, last (no synthetic samples after it)
dd if=/dev/urandom of=inj bs=1 count=777 2>/dev/null
cat inj >$K/inject
wr $CTL manual >/dev/null
wr $CNT 4 >/dev/null
take r
expect "inject: nothing before the trigger" "0 1" "$(size r) $(counter phy0 inject_armed)"
wr $CTL trigger >/dev/null
take r
expect "inject: the trigger brings exactly the injected bytes" "777 same" "$(size r) $(cmp -s inj r && echo same || echo differ)"
wr $CTL trigger >/dev/null
take r
expect "inject: no synthetic records afterwards" "0 off" "$(size r) $(counter phy0 synthetic)"
wr $CTL disable >/dev/null

# inject, chanscan, on phy2: at the first channel change of the scan, once
P2=/sys/kernel/debug/ieee80211/phy2/ath9k
K2=/sys/kernel/debug/rfpeek_bench/phy2
ip link set wlan2 up
cat inj >$K2/inject
echo chanscan >$P2/spectral_scan_ctl
scan wlan2 "2422 2437"
cat $P2/spectral_scan0 >r
expect "inject in chanscan: exactly the injected bytes, nothing from later channels" "777 same" \
	"$(size r) $(cmp -s inj r && echo same || echo differ)"
expect "inject in chanscan: came at the scan's first channel change" "injected=777 1" \
	"$(grep -m1 scanning=1 $K2/events | awk '{ print $6 }') $(grep -c injected $K2/events)"

# an empty injection: no samples at all, on phy1
: >empty
cat empty >/sys/kernel/debug/rfpeek_bench/phy1/inject
echo manual >$P1/spectral_scan_ctl
echo trigger >$P1/spectral_scan_ctl
echo trigger >$P1/spectral_scan_ctl
expect "empty injection: no samples at all" "0 off" \
	"$(cat $P1/spectral_scan0 | wc -c | tr -d ' ') $(counter phy1 synthetic)"

echo "checks done"
