#!/usr/bin/env bash
# End to end over a real pseudo-terminal: `zvl download` of zvl-sim's memory image by ZMODEM
# (lrzsz's sz and rz): a 100000-record image arrives byte for byte; Ctrl-C half-way leaves
# nothing at OUT; a sender name with ../ is refused by the receiver (the error message, and
# nothing written outside its private folder); a missing rz is named with its package.
set -euo pipefail
zvl="$1"
sim="$2"

. "$(dirname "$0")/simrig.sh"
simrig COM8
export TMPDIR="$work/tmp"
mkdir -p "$TMPDIR"
# zvl's private folders are gone (the simulator keeps its own image folder while sz runs).
tmpclean() { [ -z "$(ls -A "$TMPDIR" | grep -v '^zvl-sim-image-')" ] || fail "left in TMPDIR after $1: $(ls -A "$TMPDIR")"; }

# 1. A full memory arrives byte for byte under the chosen name; the sender's name is not used.
startsim full --unpaced --memory 100000 --seed 5 --dump-memory "$work/full.bin"
"$zvl" download --port COM8 "$work/image.bin" >"$work/full.stdout" 2>"$work/full.stderr" \
  || fail "download exited $?: $(cat "$work/full.stderr")"
cmp -s "$work/image.bin" "$work/full.bin" || fail "the image differs from the simulator's memory"
[ ! -s "$work/full.stdout" ] || fail "messages on stdout: $(cat "$work/full.stdout")"
grep -q '800,000 bytes written to .*image.bin' "$work/full.stderr" || fail "stderr: $(cat "$work/full.stderr")"
grep -q 'File Download Complete' "$work/full.stderr" || fail "stderr: $(cat "$work/full.stderr")"
grep -q 'bytes received' "$work/full.stderr" || fail "no progress line: $(cat "$work/full.stderr")"
[ ! -e "$work/ZVLIMAGE.BIN" ] || fail "the sender's name was used"
tmpclean "the full download"
stopsim

# 1b. Small images, which can arrive whole during the wait after the command: saved, exit 0.
for records in 0 1 10; do
  startsim small --unpaced --memory "$records" --seed 5 --dump-memory "$work/small$records.expected"
  "$zvl" download --port COM8 "$work/small$records.bin" >/dev/null 2>"$work/small.stderr" \
    || fail "download of $records records exited $?: $(cat "$work/small.stderr")"
  cmp -s "$work/small$records.bin" "$work/small$records.expected" || fail "the image of $records records differs"
  stopsim
done
tmpclean "the small downloads"
# An empty image does not replace a file saved before: exit 2, the file kept.
startsim emptyagain --unpaced --memory 0
set +e
"$zvl" download --port COM8 "$work/small10.bin" >/dev/null 2>"$work/empty.stderr"; code=$?
set -e
[ "$code" -eq 2 ] || fail "an empty image over an existing file exited $code: $(cat "$work/empty.stderr")"
grep -qx "zvl: warning: The instrument sent an empty memory image: $work/small10.bin is kept as it was." "$work/empty.stderr" \
  || fail "empty image: $(cat "$work/empty.stderr")"
cmp -s "$work/small10.bin" "$work/small10.expected" || fail "an empty image replaced the file"
stopsim

# 2. Ctrl-C half-way through a paced download: exit 2, nothing at OUT, an old OUT kept.
startsim paced --memory 2000 --seed 5 --verbose
echo "old" >"$work/kept.bin"
"$zvl" download --port COM8 "$work/kept.bin" >/dev/null 2>"$work/cancel.stderr" &
zvlpid=$!
# The transfer runs: the instrument has the command and the receiver has its folder.
waitfor "$work/paced.err" 'command 0x43' 30
receiving() { [ -n "$(ls -A "$TMPDIR" | grep -v '^zvl-sim-image-')" ]; }
waituntil 30 receiving || fail "no receiver's folder in $TMPDIR: $(cat "$work/cancel.stderr")"
stopwith INT "$zvlpid"
[ "$code" -eq 2 ] || fail "cancelled download exited $code: $(cat "$work/cancel.stderr")"
grep -q 'File Download Cancelled' "$work/cancel.stderr" || fail "stderr: $(cat "$work/cancel.stderr")"
[ "$(cat "$work/kept.bin")" = "old" ] || fail "the old file was touched"
tmpclean "the cancel"
stopsim

# 3. A hostile name: the receiver refuses it, the error message, nothing outside its folder.
for name in "../escaped.bin" "../../../escaped.bin"; do
  startsim hostile --unpaced --memory 100 --zmodem-name "$name"
  set +e
  "$zvl" download --port COM8 "$work/hostile.bin" >/dev/null 2>"$work/hostile.stderr"
  code=$?
  set -e
  [ "$code" -eq 2 ] || fail "hostile name $name: exit $code"
  grep -q 'XModem Error. Transfer Ended' "$work/hostile.stderr" || fail "stderr: $(cat "$work/hostile.stderr")"
  [ ! -e "$work/hostile.bin" ] || fail "something written at OUT"
  [ -z "$(find "$work" -name escaped.bin -not -path "*/zvl-sim-image-*")" ] || fail "escaped.bin written outside the private folder"
  tmpclean "the name $name"
  stopsim
done

# 4. No rz on the PATH: a clear message naming the package, nothing sent.
startsim norz --unpaced --memory 100 --verbose
set +e
PATH=/nonexistent "$zvl" download --port COM8 "$work/norz.bin" >/dev/null 2>"$work/norz.stderr"
code=$?
set -e
[ "$code" -eq 2 ] || fail "missing rz: exit $code"
grep -q 'lrzsz' "$work/norz.stderr" || fail "stderr: $(cat "$work/norz.stderr")"
sleep 0.3
! grep -q 'command 0x43' "$work/norz.err" || fail "0x43 was sent without a receiver"
stopsim
echo "download e2e passed"
