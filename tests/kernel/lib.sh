# Shared by setup and vm-run; sourced, not run.
#
# RFPEEK_KERNEL picks the guest kernel:
#   unset/empty  the version linux-headers-amd64 depends on (alias "default")
#   6.1, 6.12    the newest Debian 12 kernel of that series (alias)
#   a release    e.g. 6.12.118+deb12-amd64, taken as it is
# RFPEEK_KERNEL_BUILD is where kernels, modules and initramfs parts live
# (default: <repo>/build/kernel).

KB_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
KB_REPO=$(cd "$KB_HERE/../.." && pwd)
KB_BUILD=${RFPEEK_KERNEL_BUILD:-$KB_REPO/build/kernel}

kb_die() { echo "kernel bench: $*" >&2; exit 2; }

# Alias name for RFPEEK_KERNEL, or nothing when it is a full release.
kb_alias() {
	local k=${RFPEEK_KERNEL:-}
	case $k in
	'') echo default ;;
	[0-9]*.[0-9]*-* | *+*) ;;
	[0-9]*.[0-9]*) echo "$k" ;;
	*) kb_die "RFPEEK_KERNEL=$k: expected a release like 6.1.0-57-amd64 or a series like 6.12" ;;
	esac
}

# The release vm-run should boot, from what setup recorded; empty if unknown.
kb_recorded_release() {
	local a
	a=$(kb_alias)
	if [ -z "$a" ]; then
		echo "$RFPEEK_KERNEL"
	elif [ -s "$KB_BUILD/alias-$a" ]; then
		cat "$KB_BUILD/alias-$a"
	fi
}
