#!/bin/sh
# SPDX-License-Identifier: GPL-2.0-only
# check-heap.sh <nm> <object or archive>...: rfpeek keeps everything in fixed
# storage, so its own code may not call an allocator. libnl and json-c
# allocate inside their own calls; those are not looked at here.
# check-heap.sh --must-find <nm> <object>: passes only if the allocator calls
# planted in the probe object are found (the check above cannot go blind).
must_find=0
if [ "$1" = --must-find ]; then
	must_find=1
	shift
fi
nm=$1
shift
[ $# -gt 0 ] || { echo "usage: check-heap.sh [--must-find] <nm> <objects>..."; exit 2; }
# C allocators (free is allowed: libnl hands out buffers the caller frees),
# the C library calls that return malloc'd memory, and every
# operator new / new[] (Itanium mangling _Znw* / _Zna*, sized or aligned).
pattern='^(malloc|calloc|realloc|reallocarray|posix_memalign|aligned_alloc|memalign|valloc|pvalloc|strdup|strndup|wcsdup|asprintf|vasprintf|getline|getdelim|open_memstream|open_wmemstream|scandir|_Zn[wa].*)$'
undef=$("$nm" -u "$@") || { echo "FAIL: $nm -u $*"; exit 1; }
found=$(printf '%s\n' "$undef" | awk '{print $NF}' | grep -E "$pattern" | sort -u)
if [ $must_find = 1 ]; then
	echo "planted allocator calls found:" $found
	echo "$found" | grep -qx malloc || { echo "FAIL: malloc not seen"; exit 1; }
	echo "$found" | grep -q '^_Znw' || { echo "FAIL: operator new not seen"; exit 1; }
	exit 0
fi
if [ -n "$found" ]; then
	echo "FAIL: rfpeek's own code calls allocators:"
	# name the objects that do
	"$nm" -A -u "$@" | grep -E "[ :]($(echo $found | tr ' ' '|'))\$"
	exit 1
fi
echo "no allocator calls in" "$@"
