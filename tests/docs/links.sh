#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-only
# links.sh <source dir>: every relative link of README.md and docs/*.md there
# ([text](target), ![alt](target) and [ref]: target, outside code) must name
# a file or folder that exists, relative to the Markdown file's own folder
# (a leading / from the source dir). http(s)://, mailto: and #anchor links
# are left alone; a file link's #anchor is not checked.
# links.sh --must-find <dir> <target>...: passes only if exactly the given
# targets are reported (the check above cannot go blind).
must_find=0
if [ "$1" = --must-find ]; then
	must_find=1
	shift
fi
root=$1
[ -f "$root/README.md" ] || { echo "usage: links.sh [--must-find] <source dir> [target...]"; exit 2; }
shift
list=$(mktemp) || exit 1
trap 'rm -f "$list"' EXIT
n=0 found=
for md in "$root/README.md" "$root"/docs/*.md; do
	[ -f "$md" ] || continue
	dir=$(dirname "$md")
	# line<TAB>target, fenced code blocks and code spans left out
	awk '
		/^[ \t]*(```|~~~)/ { fence = !fence; next }
		fence { next }
		{
			line = $0
			gsub(/`[^`]*`/, "", line)
			if (match(line, /^ *\[[^]]+\]:[ \t]*[^ \t]/)) {
				t = substr(line, RLENGTH)
				sub(/[ \t].*/, "", t)
				print FNR "\t" t
			}
			while (match(line, /\]\([^)]*\)/)) {
				print FNR "\t" substr(line, RSTART + 2, RLENGTH - 3)
				line = substr(line, RSTART + RLENGTH)
			}
		}' "$md" >"$list" || exit 1
	while IFS='	' read -r line target; do
		case $target in
		\<*) target=${target#<}; target=${target%%>*} ;;
		*) target=${target%%[ 	]*} ;;   # a "title" after the target
		esac
		case $target in
		'' | '#'* | http://* | https://* | mailto:*) continue ;;
		esac
		path=${target%%#*}
		case $path in
		/*) path=$root$path ;;
		*) path=$dir/$path ;;
		esac
		n=$((n + 1))
		if [ ! -e "$path" ]; then
			echo "BROKEN: ${md#"$root"/}:$line: $target"
			found="$found$target
"
		fi
	done <"$list"
done
found=$(printf '%s' "$found" | sort)
if [ $must_find = 1 ]; then
	want=$(printf '%s\n' "$@" | sort)
	[ "$found" = "$want" ] || { echo "FAIL: wanted exactly these broken:" $want; exit 1; }
	echo "the check reports the broken links"
	exit 0
fi
[ -z "$found" ] || { echo "FAIL: broken links in $root"; exit 1; }
echo "$n relative links, none broken"
