#!/usr/bin/env bash
# End to end over a real pseudo-terminal: `zvl hardware` reads and changes zvl-sim's options
# (what is not given stays as reported), `zvl set-time` sets its clock, and bad values are
# usage errors.
set -euo pipefail
zvl="$1"
sim="$2"

. "$(dirname "$0")/simrig.sh"
simrig COM7
startsim sim --unpaced --options 5

# What the instrument holds: options 0x05 are 500 msec, Auto Stop, no backlight.
"$zvl" hardware --port COM7 >"$work/h1" 2>"$work/h1.err" || fail "hardware exited $?: $(cat "$work/h1.err")"
grep -q '^Debounce: *500 msec$' "$work/h1" || fail "first read: $(cat "$work/h1")"
grep -q '^Memory mode: *Auto Stop$' "$work/h1" || fail "first read: $(cat "$work/h1")"
grep -q '^Backlight: *off$' "$work/h1" || fail "first read: $(cat "$work/h1")"

# Wrap and backlight given, the debounce kept; then the debounce alone.
"$zvl" hardware --port COM7 --memory wrap --backlight on >"$work/h2" 2>"$work/h2.err" \
  || fail "hardware change exited $?: $(cat "$work/h2.err")"
grep -q '^Debounce: *500 msec$' "$work/h2" || fail "debounce not kept: $(cat "$work/h2")"
grep -q '^Memory mode: *Wrap Around$' "$work/h2" || fail "memory mode: $(cat "$work/h2")"
grep -q '^Backlight: *on$' "$work/h2" || fail "backlight: $(cat "$work/h2")"
grep -q '^Option bits: *0xA5$' "$work/h2" || fail "option bits: $(cat "$work/h2")"
grep -q '^Debounce count: *128$' "$work/h2" || fail "debounce count: $(cat "$work/h2")"
"$zvl" hardware --port COM7 --debounce 100 >"$work/h3" 2>"$work/h3.err" || fail "exited $?: $(cat "$work/h3.err")"
grep -q '^Debounce: *100 msec$' "$work/h3" || fail "debounce: $(cat "$work/h3")"
grep -q '^Memory mode: *Wrap Around$' "$work/h3" || fail "memory mode not kept: $(cat "$work/h3")"

# The clock: a given time, then the PC's.
"$zvl" set-time --port COM7 --time "2000-01-01 00:00:10" >"$work/t1" 2>"$work/t1.err" \
  || fail "set-time exited $?: $(cat "$work/t1.err")"
secs=$(sed -n 's/.*(\([0-9]*\) seconds since 1 Jan 2000)$/\1/p' "$work/t1")
[ -n "$secs" ] && [ "$secs" -ge 10 ] && [ "$secs" -le 14 ] || fail "clock after set-time: $(cat "$work/t1")"
"$zvl" set-time --port COM7 >"$work/t2" 2>"$work/t2.err" || fail "set-time exited $?: $(cat "$work/t2.err")"
# Seconds since 2000 of the local wall clock: the wall time read as if it were UTC.
now=$(( $(date -u -d "$(date '+%Y-%m-%d %H:%M:%S')" +%s) - 946684800 ))
secs=$(sed -n 's/.*(\([0-9]*\) seconds since 1 Jan 2000)$/\1/p' "$work/t2")
[ -n "$secs" ] && [ $(( secs - now )) -ge -5 ] && [ $(( secs - now )) -le 5 ] || fail "PC clock: $(cat "$work/t2"), now $now"

# Usage errors, before the port is touched.
usage() {
  set +e
  "$zvl" "$@" --port COM7 >/dev/null 2>"$work/bad.err"
  local code=$?
  set -e
  [ "$code" -eq 1 ] || fail "\"$*\" exited $code"
  grep -q "^zvl: --" "$work/bad.err" || fail "\"$*\": $(cat "$work/bad.err")"
}
usage hardware --debounce 250
usage hardware --memory loop
usage hardware --backlight maybe
usage set-time --time "2000-02-30 00:00:00"
usage set-time --time "1999-12-31 23:59:59"
usage set-time --time yesterday
echo "setup e2e passed"
