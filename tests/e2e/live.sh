#!/usr/bin/env bash
# End to end over a real pseudo-terminal: zvl-sim registered as COM7, then `zvl status` and
# `zvl collect --seconds 2` against it, and the usage and failure exits of the tool.
set -euo pipefail
zvl="$1"
sim="$2"

work="$(mktemp -d)"
export XDG_CONFIG_HOME="$work/config"
export XDG_STATE_HOME="$work/state"  # the journals of live recordings
simpid=""
cleanup() {
  [ -n "$simpid" ] && kill "$simpid" 2>/dev/null && wait "$simpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$sim" --port COM7 --rate 20 --serial ZVE2E001 >"$work/sim.out" 2>"$work/sim.err" &
simpid=$!
for _ in $(seq 100); do
  grep -q 'COM7' "$work/sim.out" 2>/dev/null && break
  sleep 0.1
done
[ -L "$XDG_CONFIG_HOME/Pellam/ports/COM7" ] || fail "zvl-sim did not register COM7: $(cat "$work/sim.out" "$work/sim.err")"

# status
"$zvl" status --port COM7 >"$work/status.out" 2>"$work/status.err" || fail "status exited $?: $(cat "$work/status.err")"
grep -qx 'Firmware version: 1.51' "$work/status.out" || fail "firmware: $(cat "$work/status.out")"
grep -qx 'Serial number:    ZVE2E001' "$work/status.out" || fail "serial: $(cat "$work/status.out")"
grep -q '^Instrument clock: [0-9]\{1,2\} [A-Z][a-z][a-z] [0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9] (' "$work/status.out" \
  || fail "clock: $(cat "$work/status.out")"
grep -q '^Option bits:      0x' "$work/status.out" || fail "options: $(cat "$work/status.out")"

# collect for two seconds
"$zvl" collect --port COM7 --seconds 2 >"$work/collect.out" 2>"$work/collect.err" \
  || fail "collect exited $?: $(cat "$work/collect.err")"
lines=$(wc -l <"$work/collect.out")
[ "$lines" -ge 10 ] || fail "only $lines results in 2 s at 20 a second: $(cat "$work/collect.out" "$work/collect.err")"
# Every line is an export data line: index, time text, seconds, sixteen 1/0 fields.
pattern='^ *[0-9]+, [0-9]{1,2} [A-Z][a-z]{2} [0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}, +[0-9]+, ([01],){16}$'
bad=$(grep -cvE "$pattern" "$work/collect.out" || true)
[ "$bad" -eq 0 ] || fail "$bad lines not in the data-line format: $(head -3 "$work/collect.out")"
# Indices run 1..n without a gap and the times never run backwards.
awk -F', *' '{ if ($1+0 != NR) { print "index " $1 " on line " NR; exit 1 }
               if ($3+0 < prev) { print "time runs backwards at " NR; exit 1 } prev = $3+0 }' "$work/collect.out" \
  || fail "sequence"
# The stop record repeats the last live state.
last=$(tail -1 "$work/collect.out" | cut -d, -f4-)
before=$(tail -2 "$work/collect.out" | head -1 | cut -d, -f4-)
[ "$last" = "$before" ] || fail "stop record does not repeat the last state"

# count
"$zvl" collect --port COM7 --count 5 >"$work/count.out" 2>/dev/null || fail "collect --count exited $?"
[ "$(wc -l <"$work/count.out")" -eq 6 ] || fail "--count 5 gave $(wc -l <"$work/count.out") lines, want 5 and the stop record"

# usage and failures
set +e
"$zvl" collect --seconds abc >/dev/null 2>"$work/usage.err"; [ $? -eq 1 ] || fail "bad --seconds should exit 1"
[ "$(wc -l <"$work/usage.err")" -eq 1 ] || fail "usage error should be one line: $(cat "$work/usage.err")"
"$zvl" frobnicate >/dev/null 2>&1; [ $? -eq 1 ] || fail "unknown command should exit 1"
"$zvl" status --port "" >/dev/null 2>"$work/usage.err"; [ $? -eq 1 ] || fail "an empty --port should exit 1"
grep -qx 'zvl: option --port needs a value (see zvl status --help)' "$work/usage.err" || fail "empty --port: $(cat "$work/usage.err")"
"$zvl" status --port /nonexistent/tty >/dev/null 2>"$work/open.err"; [ $? -eq 2 ] || fail "missing port should exit 2"
[ "$(wc -l <"$work/open.err")" -eq 1 ] || fail "open failure should be one line: $(cat "$work/open.err")"
"$zvl" status --help | grep -q 'usage: zvl status' || fail "status --help"
"$zvl" collect --help | grep -q 'Continue Collecting Data' || fail "collect --help names the questions"
set -e

kill "$simpid"; wait "$simpid" 2>/dev/null || true; simpid=""
[ ! -e "$XDG_CONFIG_HOME/Pellam/ports/COM7" ] || fail "zvl-sim left its COM7 link behind"

# A silent instrument: one warning, exit 2.
"$sim" --port COM7 --silent >"$work/sim2.out" 2>&1 &
simpid=$!
for _ in $(seq 100); do grep -q 'COM7' "$work/sim2.out" 2>/dev/null && break; sleep 0.1; done
set +e
"$zvl" status --port COM7 >/dev/null 2>"$work/silent.err"; code=$?
set -e
[ $code -eq 2 ] || fail "silent instrument should exit 2, got $code"
grep -q 'Pellam ZVL Not Responding' "$work/silent.err" || fail "no Not Responding warning: $(cat "$work/silent.err")"
[ "$(wc -l <"$work/silent.err")" -eq 1 ] || fail "one line expected: $(cat "$work/silent.err")"
echo "end-to-end: ok ($lines results in 2 s)"
