#!/usr/bin/env bash
# End to end over a real pseudo-terminal: `zvl upload` of the memory of zvl-sim (unpaced),
# a clean wrapped memory of 10000 records and a faulty line with times running backwards,
# then Ctrl-C during a paced upload, a silent instrument and the usage errors.
set -euo pipefail
zvl="$1"
sim="$2"

. "$(dirname "$0")/simrig.sh"
simrig COM6

# The count of a recording file (16-bit, low byte first).
count() { od -An -tu1 -N2 "$1" | awk '{ print $1 + 256 * $2 }'; }
# The records of a recording file as bare 8-byte records.
records() { tail -c +3 "$1" | head -c "$(( $(count "$1") * 8 ))"; }
# Exits non-zero when a time (bytes 2..5 of each 8-byte record) runs backwards.
inorder() {
  od -An -tu1 -v -w8 | awk '{ t = $3 * 16777216 + $4 * 65536 + $5 * 256 + $6
                              if (NR > 1 && t < prev) { print "record " NR " runs backwards"; exit 1 } prev = t }'
}

# 1. A wrapped memory of 10000 records arrives whole and in time order.
startsim clean --unpaced --memory 10000 --wrap-at 2345 --seed 7 --dump-memory "$work/clean.bin"
"$zvl" upload --port COM6 "$work/clean.zvl" >"$work/clean.stdout" 2>"$work/clean.stderr" \
  || fail "upload exited $?: $(cat "$work/clean.stderr")"
[ "$(count "$work/clean.zvl")" -eq 10000 ] || fail "count $(count "$work/clean.zvl"), want 10000"
records "$work/clean.zvl" | cmp -s - "$work/clean.bin" || fail "the records differ from the simulator's memory"
records "$work/clean.zvl" | inorder || fail "clean upload not in time order"
grep -q '10000 results written to .*clean.zvl' "$work/clean.stderr" || fail "stderr: $(cat "$work/clean.stderr")"
grep -q 'result 2346 of the upload is now result 1' "$work/clean.stderr" || fail "no wrap note: $(cat "$work/clean.stderr")"
grep -q '10,000 records' "$work/clean.stderr" || fail "no progress line: $(cat "$work/clean.stderr")"
# The file ends with the title line, ten comments, sixteen labels and sixteen flags.
tail -c 16 "$work/clean.zvl" | od -An -tu1 | grep -qE '^( +1){16} *$' || fail "active flags"
grep -qa 'Corvask Pellam ZVL Data File : .*clean.zvl' "$work/clean.zvl" || fail "title line"
grep -qa 'Channel 16' "$work/clean.zvl" || fail "labels"
stopsim

# 2. A faulty line and times running backwards, deleted: every other record arrives, in order.
startsim faulty --unpaced --memory 2000 --backward-times 4 --bad-checksums 0.1 --repeat-blocks 0.1 \
  --block-garbage 0.2 --seed 3 --dump-memory "$work/faulty.bin"
"$zvl" upload --port COM6 --time-errors delete "$work/faulty.zvl" >/dev/null 2>"$work/faulty.stderr" \
  || fail "faulty upload exited $?: $(cat "$work/faulty.stderr")"
[ "$(count "$work/faulty.zvl")" -eq 1996 ] || fail "count $(count "$work/faulty.zvl"), want 1996"
records "$work/faulty.zvl" | inorder || fail "faulty upload not in time order after the deletes"
grep -q '4 results with times running backwards: 4 deleted' "$work/faulty.stderr" \
  || fail "summary: $(cat "$work/faulty.stderr")"
grep -q '^zvl: File Time Error at ' "$work/faulty.stderr" || fail "the first time error is named"
# Each record that is left is one of the simulator's.
od -An -tx1 -v -w8 "$work/faulty.bin" | sort >"$work/sim.lines"
records "$work/faulty.zvl" | od -An -tx1 -v -w8 | sort >"$work/got.lines"
[ -z "$(comm -13 "$work/sim.lines" "$work/got.lines")" ] || fail "records that the simulator does not hold"
stopsim

# 3. Ctrl-C during a paced upload cancels it: exit 2, nothing written, the instrument told.
startsim paced --memory 5000 --verbose
"$zvl" upload --port COM6 "$work/cancelled.zvl" >/dev/null 2>"$work/cancel.stderr" &
zvlpid=$!
waitfor "$work/paced.err" 'command 0x42' 30  # the upload runs
stopwith INT "$zvlpid"
[ $code -eq 2 ] || fail "a cancelled upload should exit 2, got $code: $(cat "$work/cancel.stderr")"
[ ! -e "$work/cancelled.zvl" ] || fail "a cancelled upload wrote a file"
grep -q 'upload cancelled, nothing written' "$work/cancel.stderr" || fail "cancel message: $(cat "$work/cancel.stderr")"
waitfor "$work/paced.err" 'memory upload cancelled by the PC' 30  # the instrument got the CAN
stopsim

# 4. A silent instrument and the usage errors.
startsim silent --silent
set +e
"$zvl" upload --port COM6 "$work/silent.zvl" >/dev/null 2>"$work/silent.stderr"; code=$?
[ $code -eq 2 ] || fail "silent instrument should exit 2, got $code"
grep -q 'Pellam ZVL Not Responding' "$work/silent.stderr" || fail "no Not Responding warning"
"$zvl" upload --port COM6 --time-errors maybe "$work/x.zvl" >/dev/null 2>"$work/usage.stderr"; code=$?
[ $code -eq 1 ] || fail "bad --time-errors should exit 1, got $code"
[ "$(wc -l <"$work/usage.stderr")" -eq 1 ] || fail "usage error should be one line: $(cat "$work/usage.stderr")"
"$zvl" upload --port COM6 >/dev/null 2>&1; [ $? -eq 1 ] || fail "missing output file should exit 1"
"$zvl" upload a.zvl b.zvl >/dev/null 2>&1; [ $? -eq 1 ] || fail "two output files should exit 1"
set -e
"$zvl" upload --help | grep -q 'time-errors ANSWER' || fail "upload --help"
[ ! -e "$work/silent.zvl" ] || fail "a failed upload wrote a file"
stopsim

# 5. An empty memory does not replace a recording saved before: exit 2, the file kept.
startsim empty --unpaced --memory 0
cp "$work/clean.zvl" "$work/kept.zvl"
set +e
"$zvl" upload --port COM6 "$work/kept.zvl" >/dev/null 2>"$work/empty.stderr"; code=$?
set -e
[ $code -eq 2 ] || fail "an empty memory over an existing file should exit 2, got $code"
grep -qx "zvl: the instrument's memory holds no results; $work/kept.zvl is kept as it was" "$work/empty.stderr" \
  || fail "empty memory: $(cat "$work/empty.stderr")"
cmp -s "$work/kept.zvl" "$work/clean.zvl" || fail "an empty memory replaced the file"
stopsim
echo "end-to-end upload: ok"
