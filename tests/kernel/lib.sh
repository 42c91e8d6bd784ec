# SPDX-License-Identifier: GPL-2.0-only
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

# The stand-in module's sources, copied into one build directory: its own,
# and the record layouts it shares with rfpeek. Both setups hash them all,
# so a change to either rebuilds the module.
KB_MODULE_SRC=("$KB_HERE"/module/* "$KB_REPO/src/spectral/sample_format.h")

# RFPEEK_VM_ARCH: x86_64 (Debian's kernels) or mips (a big-endian malta
# kernel built here, see mips/setup).
KB_ARCH=${RFPEEK_VM_ARCH:-x86_64}
case $KB_ARCH in
x86_64 | mips) ;;
*) kb_die "RFPEEK_VM_ARCH=$KB_ARCH: expected x86_64 or mips" ;;
esac

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

# Package helpers for the setups (they call say).
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f s", b - a }'; }

export DEBIAN_FRONTEND=noninteractive
updated=0
apt_update_once() {
	[ $updated = 1 ] && return
	say "apt-get update"
	apt-get update -qq >/dev/null || kb_die "apt-get update failed"
	updated=1
}
# apt-cache only knows packages after an update on a fresh machine.
apt_known() { apt-cache show "$1" >/dev/null 2>&1; }

need_pkgs() {
	local have missing=() p
	# dpkg-query fails for packages it has never seen; those are missing too
	have=$({ dpkg-query -W -f='${Package} ${Status}\n' "$@" 2>/dev/null || true; } |
		awk '/ install ok installed$/ { print $1 }')
	for p in "$@"; do
		grep -qx "$p" <<<"$have" || missing+=("$p")
	done
	[ ${#missing[@]} = 0 ] && return
	local t
	t=$(now)
	apt_known "${missing[0]}" || apt_update_once
	install() { apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}" >"$KB_BUILD/apt.log" 2>&1; }
	install || { apt_update_once; install; } ||
		{ cat "$KB_BUILD/apt.log" >&2; kb_die "apt-get install ${missing[*]} failed"; }
	say "installed ${missing[*]} ($(since "$t"))"
}

# Debian's wireless-regdb, the copy signed with the kernel's built-in keys
# (regulatory.db-upstream), into DIR/usr/share/bench-regdb: guest-init
# loads it for a 5 GHz access point (the world domain only scans there).
# Nothing reads it otherwise, so other boots see no regulatory change.
kb_stage_regdb() { # DIR
	local r=$KB_BUILD/regdb t
	# (the x86_64 and MIPS setups hold different locks)
	exec 7>"$KB_BUILD/.lock-regdb"
	flock 7
	if [ ! -s "$r/regulatory.db" ] || [ ! -s "$r/regulatory.db.p7s" ]; then
		t=$(now)
		rm -rf "$r" "$r.tmp"
		mkdir -p "$r.tmp/dl"
		chmod 777 "$r.tmp/dl" # apt downloads as _apt where it can
		apt_known wireless-regdb || apt_update_once
		(cd "$r.tmp/dl" && apt-get download -qq wireless-regdb 2>/dev/null) ||
			kb_die "apt-get download wireless-regdb failed"
		dpkg-deb -x "$r.tmp"/dl/*.deb "$r.tmp/root"
		cp "$r.tmp/root/lib/firmware/regulatory.db-upstream" "$r.tmp/regulatory.db"
		cp "$r.tmp/root/lib/firmware/regulatory.db.p7s-upstream" "$r.tmp/regulatory.db.p7s"
		rm -rf "$r.tmp/dl" "$r.tmp/root"
		mv "$r.tmp" "$r"
		say "downloaded wireless-regdb ($(since "$t"))"
	fi
	exec 7>&-
	mkdir -p "$1/usr/share/bench-regdb"
	cp "$r/regulatory.db" "$r/regulatory.db.p7s" "$1/usr/share/bench-regdb/"
}
