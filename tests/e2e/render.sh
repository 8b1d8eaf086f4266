#!/usr/bin/env bash
# zvl render: a recording imported from a compliant CSV file, drawn in both search views and in
# black and white; the PNGs are 780 x 380 and differ where they must.
set -euo pipefail
zvl="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
export XDG_STATE_HOME="$work/state"  # the journals of live recordings
fail() { echo "FAIL: $*" >&2; exit 1; }

# Width and height from the PNG header (big-endian at bytes 16..23).
size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}'; }

printf '0,0\n1000,1\n1010,3\n1030,2\n1031,6\n1200,0\n' >"$work/in.csv"
"$zvl" import "$work/in.csv" "$work/rec.zvl" >/dev/null
"$zvl" render "$work/rec.zvl" "$work/event.png" 2>"$work/event.out"
grep -q 'Event Mode, Timebase = 5 Minutes, cursor on result 1' "$work/event.out" || fail "event: $(cat "$work/event.out")"
"$zvl" render "$work/rec.zvl" "$work/time.png" --mode timebase 2>"$work/time.out"
grep -q 'Timebase Mode, Timebase = 5 Minutes' "$work/time.out" || fail "timebase: $(cat "$work/time.out")"
"$zvl" render "$work/rec.zvl" "$work/mono.png" --mode timebase --mono --timebase 4 2>"$work/mono.out"
grep -q 'Timebase = 60 Seconds' "$work/mono.out" || fail "--timebase 4: $(cat "$work/mono.out")"
for f in event time mono; do
  [ "$(size "$work/$f.png")" = "780x380" ] || fail "$f.png is $(size "$work/$f.png")"
done
cmp -s "$work/event.png" "$work/time.png" && fail "event and time-base pictures are the same"
cmp -s "$work/time.png" "$work/mono.png" && fail "monochrome picture is the colour one"

set +e
"$zvl" render "$work/rec.zvl" >/dev/null 2>&1; [ $? -eq 1 ] || fail "missing output name should exit 1"
"$zvl" render "$work/rec.zvl" "$work/x.png" --timebase 20 >/dev/null 2>&1; [ $? -eq 1 ] || fail "--timebase 20 should exit 1"
"$zvl" render "$work/rec.zvl" "$work/x.png" --mode sideways >/dev/null 2>&1; [ $? -eq 1 ] || fail "--mode sideways should exit 1"
"$zvl" render "$work/missing.zvl" "$work/x.png" >/dev/null 2>&1; [ $? -eq 2 ] || fail "a missing file should exit 2"
"$zvl" render "$work/rec.zvl" "$work/no/such/dir/x.png" >/dev/null 2>&1; [ $? -eq 2 ] || fail "an unwritable output should exit 2"
set -e
echo "render: ok"
