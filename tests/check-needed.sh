#!/bin/sh
# Fails if the binary's dynamic section names the C++ runtime or libgcc_s.
bin=$1
needed=$(readelf -d "$bin" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p') || exit 1
echo "NEEDED: $needed"
case "$needed" in
*libstdc++*|*libgcc_s*) echo "FAIL: $bin needs a C++ runtime library"; exit 1 ;;
esac
readelf -h "$bin" >/dev/null || exit 1
