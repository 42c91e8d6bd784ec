#!/bin/bash
# SPDX-License-Identifier: GPL-2.0-only
# smoke-test.sh <glibc|musl> <binary> [runner...]: the exit paths that end
# before any nl80211 work, run through the runner (qemu-mips for a MIPS
# binary), byte for byte: the build starts, parses its options, and its libc
# (whose getopt words the first argument names) prints what it should.
# --version must print the version of project() in the CMakeLists.txt here.
libc=$1 bin=$2
shift 2
runner=("$@")
case $libc in
glibc) unknown="invalid option -- 'x'" missing="option requires an argument -- 'F'" ;;
musl) unknown="unrecognized option: x" missing="option requires an argument: F" ;;
*) echo "usage: smoke-test.sh glibc|musl <binary> [runner...]"; exit 2 ;;
esac
[ -f "$bin" ] || { echo "FAIL: no binary $bin"; exit 1; }
version=$(sed -n 's/^project(rfpeek VERSION \([^ )]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
[ -n "$version" ] || { echo "FAIL: no project(rfpeek VERSION ...) in CMakeLists.txt"; exit 1; }
tmp=$(mktemp -d) || exit 1
trap 'rm -rf "$tmp"' EXIT
fails=0

usage="Usage: $bin [options]

Without -F, scans current channel.
With -F, scans specified frequencies.
Default output is plain text.

Options:
  -F <freq>      Frequency (MHz) or range (2412-2462) or 'all'
  -j             JSON output to stdout
  -o <file>      JSON output to file
  -i <iface>     Interface (default: wlan0)
  -d <ms>        Dwell time (default: 100 ms)
  -h             Show this help
  --version      Show the version
  -w             Watch: a line per interval until stopped
  --interval <ms> Length of a watch frame (default: 1000 ms)
  --frames <n>   Stop the watch after n frames (default: until stopped)
  --threshold <dBm> Level that counts as occupied (default: -90 dBm)
  --from <file>  Read relay bytes recorded earlier instead of the radio

"

# check <what> <status> <stderr, exact> <args...>: nothing on stdout
# check_out <what> <status> <stdout, exact> <args...>: nothing on stderr
check() { check_both "$1" "$2" "" "$3" "${@:4}"; }
check_out() { check_both "$1" "$2" "$3" "" "${@:4}"; }
check_both() {
	local what=$1 want_status=$2 want_out=$3 want_err=$4 status out err
	shift 4
	"${runner[@]}" "$bin" "$@" >"$tmp/out" 2>"$tmp/err" </dev/null
	status=$?
	out=$(cat "$tmp/out"; echo x)
	out=${out%x}
	err=$(cat "$tmp/err"; echo x)
	err=${err%x}
	local ok=1
	[ "$status" = "$want_status" ] || ok=0
	[ "$out" = "$want_out" ] || ok=0
	[ "$err" = "$want_err" ] || ok=0
	if [ $ok = 1 ]; then
		echo "ok: $what"
	else
		echo "FAIL: $what: rfpeek $*: status $status (want $want_status)"
		echo "--- stdout:"; printf '%s' "$out"
		echo "--- wanted:"; printf '%s\n' "$want_out"
		echo "--- stderr:"; printf '%s' "$err"
		echo "--- wanted:"; printf '%s\n' "$want_err"
		fails=$((fails + 1))
	fi
}

check "help" 0 "$usage" -h
check "help after other options" 0 "$usage" -i eth7 -d 5 --help
check_out "version" 0 "rfpeek $version
" --version
check_out "version after other options" 0 "rfpeek $version
" -i eth7 -d 5 --version
# getopt's own diagnostic first, then the usage
check "unknown option" 1 "$bin: $unknown
$usage" -x
check "missing argument" 1 "$bin: $missing
$usage" -j -F
check "reversed range" 1 $'Error: invalid range \'2462-2412\'\nError: invalid frequencies\n' \
	-i nosuchif0 -F 2462-2412
check "zero frequency" 1 $'Error: invalid frequency \'0\'\nError: invalid frequencies\n' \
	-i nosuchif0 -F 2412 --freq 0
check "unopenable output" 1 $'Error: cannot open \'/nonexistent-rfpeek-dir/x.json\'\n' \
	-o /nonexistent-rfpeek-dir/x.json
check "no such interface" 1 $'Error: nl80211 init failed\n' -i nosuchif0 -F all -j

[ $fails = 0 ] || { echo "$fails smoke checks failed"; exit 1; }
echo "all smoke checks passed"
