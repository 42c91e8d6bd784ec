#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-only
# libnl_tiny_names.sh <names> <file or dir>...: every libnl identifier the
# sources use (nl_, nla_, nlmsg_, genl_, genlmsg_, NL_, NLA_, NLE_, NLM_,
# GENL_) must be one that OpenWrt's libnl-tiny defines, as listed in <names>
# (read from its headers): libnl-tiny is not in Debian, so nothing here
# compiles against it.
# libnl_tiny_names.sh --must-miss <names> <file> <name>...: passes only if
# exactly the given names are reported (the check above cannot go blind).
must_miss=0
if [ "$1" = --must-miss ]; then
	must_miss=1
	shift
fi
names=$1
shift
[ -s "$names" ] || { echo "FAIL: no name list $names"; exit 1; }
if [ $must_miss = 1 ]; then
	files=$1
	shift
	want=$(printf '%s\n' "$@" | sort -u)
else
	files=$(find "$@" -name '*.cpp' -o -name '*.h')
fi
[ -n "$files" ] || { echo "FAIL: no sources in $*"; exit 1; }
used=$(cat $files | grep -ohE '\b((nl|nla|nlmsg|genl|genlmsg)_[a-z0-9_]+|(NL|NLA|NLE|NLM|GENL)_[A-Z0-9_]+)\b' | sort -u)
missing=$(printf '%s\n' "$used" | grep -vxF -f "$names")
printf '%s\n' "$missing" | sed -n 's/./not in libnl-tiny: &/p'
if [ $must_miss = 1 ]; then
	[ "$missing" = "$want" ] || { echo "FAIL: wanted exactly:" $want; exit 1; }
	echo "the check reports what libnl-tiny lacks"
	exit 0
fi
[ -z "$missing" ] || exit 1
echo "$(printf '%s\n' "$used" | wc -l) libnl names used, all in libnl-tiny"
