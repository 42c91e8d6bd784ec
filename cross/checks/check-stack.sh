#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-only
# check-stack.sh <limit bytes> <dir>...: reads the -fstack-usage reports (.su)
# under the dirs, prints the largest frames, and fails if a frame is over the
# limit or of unbounded size (a VLA or alloca).
limit=$1
shift
files=$(find "$@" -name '*.su' 2>/dev/null)
[ -n "$files" ] || { echo "FAIL: no .su files under $*: was -fstack-usage on?"; exit 1; }
# file:line:col:function<TAB>bytes<TAB>static|dynamic|dynamic,bounded
# C++ names hold colons too: cut only the leading file:line:col:.
all=$(cat $files | awk -F'\t' '{ f = $1; sub(/:[0-9]+:[0-9]+:.*/, "", f); sub(/.*\//, "", f)
		fn = $1; sub(/^[^:]*:[0-9]+:[0-9]+:/, "", fn); print $2 "\t" $3 "\t" f ": " fn }' |
	sort -t'	' -k1,1nr)
echo "largest frames (bytes, kind, function):"
printf '%s\n' "$all" | head -10
over=$(printf '%s\n' "$all" | awk -F'\t' -v l="$limit" '$1 + 0 > l + 0')
unbounded=$(printf '%s\n' "$all" | awk -F'\t' '$2 == "dynamic"')
[ -z "$over" ] || { echo "FAIL: frames over $limit bytes:"; echo "$over"; exit 1; }
[ -z "$unbounded" ] || { echo "FAIL: frames of unbounded size:"; echo "$unbounded"; exit 1; }
echo "every frame is at most $limit bytes and bounded"
