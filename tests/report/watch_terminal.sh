#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-only
# watch_terminal.sh <rfpeek>: the watch's spectrogram as a terminal shows
# it, in a tmux pane of 80 and of 132 columns, with TERM=xterm-256color,
# TERM=xterm and NO_COLOR=1: no line past the pane's width or wrapped,
# ruler and legend first, four frames numbered, the carrier's cells at
# their own level, in 256 colours, 8 or none. Exit 77 (skipped) without
# tmux.
rfpeek=$1
[ -x "$rfpeek" ] || { echo "usage: watch_terminal.sh <rfpeek>"; exit 2; }
command -v tmux >/dev/null || { echo "watch_terminal.sh: tmux not found (scripts/install-deps installs it): skipped"; exit 77; }
command -v python3 >/dev/null || { echo "watch_terminal.sh: python3 not found (scripts/install-deps installs it)"; exit 1; }
unset TMUX
tmp=$(mktemp -d) || exit 1
trap 'for s in "$tmp"/sock*; do tmux -S "$s" kill-server 2>/dev/null; done; rm -rf "$tmp"' EXIT
esc=$(printf '\033')

# 1000 HT20 records of 2437 MHz (4 frames of 256, the last 232): rssi 43
# to 47 over a noise of -95, bytes 1 and 2 on the floor, 200 in bins 30 to
# 32. The frames' max: the floor's bytes of 2 at -94.8 to -92.8 dBm (level
# -100), the carrier at -56.8 to -52.8 (level -60).
PYTHONPATH="$(dirname "$0")/../../fuzz" python3 - >"$tmp/ht20" <<'EOF' || exit 1
import sys
from wire_format import record
out = bytearray()
for i in range(1000):
    data = bytes(200 if 30 <= k <= 32 else 2 if (i + k) % 3 == 0 else 1 for k in range(56))
    out += record("wire_ht20", freq=2437, rssi=43 + i % 5, noise=-95, max_magnitude=200,
                  max_index=31, bitmap_weight=4, tsf=i * 1000, data=data)
sys.stdout.buffer.write(out)
EOF
# 512 ath10k records of 5180 MHz, 256 bins over 22 MHz (2 frames): the
# same floor, the carrier's 200 in bins 124 to 131.
PYTHONPATH="$(dirname "$0")/../../fuzz" python3 - >"$tmp/ath10k" <<'EOF' || exit 1
import sys
from wire_format import record, size
out = bytearray()
for i in range(512):
    data = bytes(200 if 124 <= k <= 131 else 2 if (i + k) % 3 == 0 else 1 for k in range(256))
    out += record("wire_ath10k", length=size("wire_ath10k") - size("wire_tlv") + 256,
                  chan_width_mhz=22, freq1=5180, noise=-95, rssi=43 + i % 5,
                  max_magnitude=200, tsf=i * 1000) + data
sys.stdout.buffer.write(out)
EOF

fail=0
bad() { echo "$case: $*"; fail=1; }

# watch <columns> <env>: rfpeek's watch in a pane of a tmux server of its
# own (one going away could take the next call's), then its text in
# $tmp/plain (wrapped lines joined: one too long shows) and with the
# pane's escapes in $tmp/escaped. A third argument names the recording.
runs=0
watch() {
	runs=$((runs + 1))
	sock=$tmp/sock$runs
	tmux -S "$sock" -f /dev/null new-session -d -x "$1" -y 40 \
		"env $2 '$rfpeek' --from '$tmp/${3:-ht20}' -w; echo \"exit \$?\"; exec sleep 60" || return 1
	n=0
	until tmux -S "$sock" capture-pane -p | grep -q '^exit [0-9]'; do
		n=$((n + 1))
		[ $n -lt 100 ] || return 1
		sleep 0.2
	done
	tmux -S "$sock" capture-pane -p -J -S - >"$tmp/plain"
	tmux -S "$sock" capture-pane -p -e -S - >"$tmp/escaped"
	tmux -S "$sock" kill-server
}

# The cells span the channel's 56 bins, 17.5 MHz; bins 30 to 32 cover 9.375
# to 10.3125 MHz of it: on 71 cells 38 to 41, on 123 cells 65 to 72.
for width in 80 132; do
	case $width in
	80) floor=38 carrier=4 rest=29 ;;
	132) floor=65 carrier=8 rest=50 ;;
	esac
	for env in TERM=xterm-256color TERM=xterm "TERM=xterm-256color NO_COLOR=1"; do
		case="$width columns, $env"
		watch "$width" "$env" || { echo "$case: no end in 20 s"; exit 1; }
		grep -q '^exit 0$' "$tmp/plain" || bad "rfpeek failed: $(grep '^exit' "$tmp/plain")"
		awk -v w="$width" 'length($0) > w { print "longer than the pane: " $0; e = 1 } END { exit e }' \
			"$tmp/plain" || bad "lines past $width columns"
		sed -n 1p "$tmp/plain" | grep -q '^     MHz  *24[0-9][0-9] ' || bad "no ruler first"
		sed -n 2p "$tmp/plain" | grep -q '^     dBm \. <-100 : -100 ' || bad "no legend second"
		cells=$(awk -v f="$floor" -v c="$carrier" -v r="$rest" 'BEGIN {
			while (i++ < f) s = s ":"; while (j++ < c) s = s "*"; while (k++ < r) s = s ":"
			print s }')
		for frame in 1 2 3 4; do
			grep -Fqx "#$frame       $cells" "$tmp/plain" || bad "frame $frame is not $cells"
		done
		[ "$(grep -c '^#' "$tmp/plain")" = 4 ] || bad "not 4 frames"
		case $env in
		*NO_COLOR*)
			! grep -q "$esc" "$tmp/escaped" || bad "escapes without colour" ;;
		TERM=xterm-256color)
			grep -Eq "48;5;19m:{$floor}($esc\[[0-9;]*m)*$esc\[([0-9;]*;)?48;5;226m\*{$carrier}" \
				"$tmp/escaped" || bad "floor and carrier not in 256 colours" ;;
		TERM=xterm)
			grep -Eq "$esc\[([0-9;]*;)?46m:{$floor}($esc\[[0-9;]*m)*$esc\[([0-9;]*;)?41m\*{$carrier}" \
				"$tmp/escaped" || bad "floor and carrier not in 8 colours"
			! grep -q '48;5;' "$tmp/escaped" || bad "256 colours for TERM=xterm" ;;
		esac
		[ $fail = 0 ] || { cat -v "$tmp/escaped"; exit 1; }
	done
done
# ath10k's bins, 11 steps of 1/128 MHz, fill their cells: 22 MHz on 71
# cells, the carrier's bins (15.125 to 15.8125 MHz in) on cells 34 to 36.
case="ath10k, 80 columns"
watch 80 TERM=xterm-256color ath10k || { echo "$case: no end in 20 s"; exit 1; }
sed -n 1p "$tmp/plain" | grep -q '^     MHz    5170  ' || bad "no 5170 MHz on the ruler"
for frame in 1 2; do
	grep -Fqx "#$frame       $(printf '%34s***%34s' '' '' | tr ' ' :)" "$tmp/plain" ||
		bad "frame $frame: gaps or the carrier elsewhere"
done
[ $fail = 0 ] || { cat -v "$tmp/plain"; exit 1; }
echo "the watch's lines fit 80 and 132 columns in 256, 8 and no colours; ath10k's bins fill their cells"
