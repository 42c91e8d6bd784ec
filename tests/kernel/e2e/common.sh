# SPDX-License-Identifier: GPL-2.0-only
# Shared by the end-to-end scripts: check helpers and a boot wrapper.
# Each script prints "ok - NAME" / "not ok - NAME: why" per check and ends
# with "N passed, N failed"; it exits non-zero if any check failed.
set -uo pipefail
E2E_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
VM_RUN=$E2E_HERE/../vm-run
# (the MIPS guest's default is vm-run's: the static soft-float build)
if [ "${RFPEEK_VM_ARCH:-x86_64}" = x86_64 ]; then
	: "${RFPEEK_BIN:=$E2E_HERE/../../../build/rfpeek}"
	export RFPEEK_BIN
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/rfpeek-e2e.XXXXXX")
[ -n "${RFPEEK_E2E_KEEP:-}" ] && echo "# keeping $work" || trap 'rm -rf "$work"' EXIT
pass=0
failed=0
ok() { echo "ok - $*"; pass=$((pass + 1)); }
bad() { echo "not ok - $*"; failed=$((failed + 1)); }
expect() { # NAME EXPECTED ACTUAL
	if [ "$2" = "$3" ]; then ok "$1"; else bad "$1: expected [$2], got [$3]"; fi
}
expect_match() { # NAME EXTENDED-REGEX ACTUAL
	if printf '%s' "$3" | grep -Eq -- "$2"; then ok "$1"; else bad "$1: [$3] does not match /$2/"; fi
}
# Runs vm-run; a bench failure fails the whole script at once.
boot() {
	"$VM_RUN" "$@" >"$work/vm.log" 2>&1 || {
		bad "bench failed: vm-run $*"
		sed 's/^/#   /' "$work/vm.log"
		finish
	}
}
# guest_script FILE: the guest helpers, then the body from stdin, as one
# script for vm-run --script.
guest_script() {
	cat "$E2E_HERE/guest-lib.sh" - >"$1"
}
# ath9k's spectral_count at boot (ath10k's is 0: ath10k_spectral_start)
boot_count=8
# After a boot whose runs reached the spectral files: disabled, relay
# drained, spectral_count as the guest last set it (COUNT, by default
# ath9k's at boot).
expect_clean() { # NAME OUTDIR [COUNT]
	expect "$1: spectral scan left disabled" disable "$(cat "$2/ctl_after")"
	expect "$1: relay left empty" 0 "$(wc -c <"$2/relay_after" | tr -d ' ')"
	expect "$1: spectral_count as it was" "${3:-$boot_count}" "$(cat "$2/count_after")"
}
# After a guest's "run NAME ..." (or "left NAME"): the state it left, read
# right after it; spectral_count (and ath10k's spectral_bins) as read
# before it. LABEL names the run in the checks (default: NAME).
expect_run_clean() { # NAME FILES_DIR [LABEL]
	local found label=${3:-$1}
	found=$(cat "$2/$1.found" 2>/dev/null)
	expect "$label: spectral scan left disabled" disable "$(cat "$2/$1.ctl")"
	expect "$label: relay left empty" 0 "$(cat "$2/$1.relay")"
	expect "$label: spectral settings as found" "${found:-(none read before the run)}" "$(cat "$2/$1.count")"
}
# The one line a capture without a single record adds to its empty report.
no_samples="Warning: no spectral samples (is the radio idle, or on a radar channel?)"
finish() {
	echo "$pass passed, $failed failed"
	[ "$failed" = 0 ]
	exit
}
# Lines of a text report: "count header lines, a blank line, the bins".
text_headers() { sed -n '/^$/q;p' "$1"; }
text_bins() { sed '1,/^$/d' "$1"; }
# -w -j's lines in short: "FRAME:R:BINS" per frame (R "+" with records,
# "0" without; BINS the bins within HALF MHz, by default 10, of each
# CENTRE), "|", the summary's channels (freq/width), then whatever breaks
# the format
watch_json() { # FILE CENTRE[/HALF]...
	python3 - "$@" <<'PY'
import json, math, re, sys
centres = [tuple(int(v) for v in (c + "/10").split("/")[:2]) for c in sys.argv[2:]]
frames, summary, bad, total = [], "-", [], 0
lines = open(sys.argv[1], encoding="utf-8", errors="replace").read().split("\n")
if lines.pop() != "":
    bad.append("last line unended")
for i, line in enumerate(lines, 1):
    try:
        d = json.loads(line)
    except ValueError:
        bad.append("line %d unparsable" % i)
        continue
    if summary != "-":
        bad.append("line %d after the summary" % i)
    if list(d) == ["summary"]:
        ch = d["summary"]
        summary = " ".join("%d/%d" % (c["freq"], c["width"]) for c in ch)
        if any(list(c) != ["freq", "width", "records", "avg", "max", "duty"] for c in ch):
            bad.append("summary keys")
        elif sum(c["records"] for c in ch) != total:
            bad.append("summary records %d, frames' %d" % (sum(c["records"] for c in ch), total))
        continue
    if list(d) != ["frame", "time", "records", "bins"]:
        bad.append("line %d keys %s" % (i, list(d)))
        continue
    if not re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z", d["time"]):
        bad.append("frame %d time %s" % (d["frame"], d["time"]))
    b, r = d["bins"], d["records"]
    total += r
    if not all(len(x) == 5 and all(isinstance(v, (int, float)) and math.isfinite(v) for v in x) for x in b):
        bad.append("frame %d: a bin not 5 numbers" % d["frame"])
    elif any(not 1 <= x[4] <= r or x[1] > x[2] or not 0 <= x[3] <= 100 for x in b):
        bad.append("frame %d: samples, avg > max or duty out of range" % d["frame"])
    elif any(b[k][0] >= b[k + 1][0] for k in range(len(b) - 1)):
        bad.append("frame %d: bins not rising" % d["frame"])
    elif centres and any(all(abs(x[0] - c) > h for c, h in centres) for x in b):
        bad.append("frame %d: bins outside the channels" % d["frame"])
    cov = "/".join(str(sum(abs(x[0] - c) <= h for x in b)) for c, h in centres)
    frames.append("%d:%s:%s" % (d["frame"], "+" if r > 0 else "0", cov))
print(" ".join(frames + ["|", summary] + bad).rstrip())
PY
}
