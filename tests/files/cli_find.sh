#!/usr/bin/env bash
# End to end: zvl find on recordings imported here: the rows, a match across part files, a
# match cut by the end of a file, --from/--to, --count and the exit codes.
set -euo pipefail
zvl="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$work"

# Input 3 off 1000..1010 and 1020..1700 s, on 1700..2500 s; input 1 rises at 1800 s.
printf '1000,0\n1000,0\n1010,4\n1020,0\n1030,0\n1700,4\n1800,5\n2500,1\n' >a.csv
"$zvl" import a.csv a.zvl 2>/dev/null
[ "$("$zvl" find --key 3=off --min 11s a.zvl a.zvl)" = "file,result,start,end,seconds,open,inputs
$work/a.zvl,3,2000-01-01 00:17:00,2000-01-01 00:28:20,680,0,0000000000000000
$work/a.zvl,3,2000-01-01 00:17:00,2000-01-01 00:28:20,680,0,0000000000000000" ] || fail "3=off --min 11s: $("$zvl" find --key 3=off --min 11s a.zvl a.zvl)"
# Held at the end of the first file: open there, and a new match at the second file's start.
[ "$("$zvl" find --key 1=on --min 700s a.zvl a.zvl | cut -d, -f2,5,6 | tr '\n' ' ')" = "result,seconds,open 6,700,1 6,700,1 " ] || fail "1=on open at each end"
[ "$("$zvl" find --key 1=rise,3=on --count a.zvl)" = 1 ] || fail "--count"
[ "$("$zvl" find --key 3=on --from 3 --to '2000-01-01 00:28:20' a.zvl | tail -1 | cut -d, -f2-6)" = "5,2000-01-01 00:28:20,2000-01-01 00:28:20,0,1" ] || fail "--from/--to"

# Input 2 on from result 32760 to 32780 of 40000: one match across part 1 and part 2.
awk 'BEGIN { for (i = 0; i <= 40000; i++) printf "%d,%d\n", 5000 + i, (i >= 32760 && i < 32780) ? 2 : 0 }' >big.csv
"$zvl" import big.csv big 2>/dev/null
[ "$("$zvl" find --key 2=on --all-parts big_2.ZVL | tail -n +2)" = "$work/big_1.ZVL,32760,2000-01-01 10:29:20,2000-01-01 10:29:40,20,0,0100000000000000" ] \
  || fail "across parts: $("$zvl" find --key 2=on --all-parts big_2.ZVL)"

rc=0; "$zvl" find --key 4=on a.zvl >/dev/null || rc=$?; [ $rc = 3 ] || fail "no match exits $rc"
rc=0; "$zvl" find --key 4=high a.zvl 2>/dev/null || rc=$?; [ $rc = 1 ] || fail "bad key exits $rc"
rc=0; "$zvl" find --key 4=on --to 2000-13-01 a.zvl 2>/dev/null || rc=$?; [ $rc = 1 ] || fail "bad --to exits $rc"
rc=0; "$zvl" find --key 4=on missing.zvl 2>/dev/null || rc=$?; [ $rc = 2 ] || fail "missing file exits $rc"
echo "zvl find: all checks passed"
