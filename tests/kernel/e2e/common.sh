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
# The driver's spectral_count at boot, which every run must leave as found.
boot_count=8
# After a run that reached the spectral files: disabled, relay drained,
# spectral_count as it was.
expect_clean() { # NAME OUTDIR
	expect "$1: spectral scan left disabled" disable "$(cat "$2/ctl_after")"
	expect "$1: relay left empty" 0 "$(wc -c <"$2/relay_after" | tr -d ' ')"
	expect "$1: spectral_count as it was" $boot_count "$(cat "$2/count_after")"
}
# After a guest's "run NAME ...": the state it left, read right after it.
expect_run_clean() { # NAME FILES_DIR
	expect "$1: spectral scan left disabled" disable "$(cat "$2/$1.ctl")"
	expect "$1: relay left empty" 0 "$(cat "$2/$1.relay")"
	expect "$1: spectral_count as it was" $boot_count "$(cat "$2/$1.count")"
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
