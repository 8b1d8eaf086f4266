#!/usr/bin/env bash
# End to end over a real pseudo-terminal: `zvl log` from zvl-sim at 320 results a second with
# rolls of 1000; the simulator killed and started again (the port lost and back); SIGTERM in
# the middle of a file; SIGHUP; a second logger into a folder in use; a reader of the output
# that goes away (zvl log and zvl collect); the exits for a port that cannot be opened and
# bad arguments.
set -euo pipefail
zvl="$1"
sim="$2"
. "$(dirname "$0")/simrig.sh"
simrig COM8
out="$work/out"
mkdir "$out"

startsim sim --rate 320 --serial ZVLOG001
touch "$work/log.out"
"$zvl" log --port COM8 --roll 1000 --name line1 "$out" >"$work/log.out" 2>"$work/log.err" &
logpid=$!
for _ in $(seq 150); do [ "$(wc -l <"$work/log.out")" -ge 2 ] && break; sleep 0.1; done
[ "$(wc -l <"$work/log.out")" -ge 2 ] || fail "no two rolls in 15 s: $(cat "$work/log.out" "$work/log.err")"

# A second logger into the same folder is refused, naming the first; nothing of it is written.
set +e
"$zvl" log --port COM8 --name other "$out" >/dev/null 2>"$work/second.err"; code=$?
set -e
[ $code -eq 2 ] || fail "a second zvl log into a folder in use exited $code: $(cat "$work/second.err")"
grep -q "cannot log into $out: another zvl log (pid $logpid) is logging into it" "$work/second.err" \
  || fail "the refusal does not name the other: $(cat "$work/second.err")"
! ls "$out" | grep -q '^other' || fail "the refused logger wrote a file"

stopsim  # the port goes away
waitfor "$work/log.err" 'has gone away' 5
sleep 2  # not a wait for an event: the port stays away for a while, as a pulled cable does
startsim sim2 --rate 320 --serial ZVLOG001 --verbose
waitfor "$work/log.err" 'is back' 15
waitfor "$work/sim2.err" 'command 0x40' 15  # recording again
stopwith TERM "$logpid"
[ $code -eq 0 ] || fail "zvl log exited $code after SIGTERM: $(cat "$work/log.err")"
# The lines about the loss and the return, their wording and count, are test_log's (on a fake
# clock); here a real hang-up must bring no other message.
[ "$(grep -vc 'has gone away\|is back' "$work/log.err")" -eq 0 ] || fail "other messages: $(cat "$work/log.err")"

# One line per file, one file per line; each an ordinary recording with its comment lines.
files=$(cd "$out" && ls)
[ "$(echo "$files" | wc -l)" -eq "$(wc -l <"$work/log.out")" ] || fail "files and lines differ: $files / $(cat "$work/log.out")"
prev=0; lost=0; gap=0; n=0
for f in $files; do
  n=$((n + 1))
  [[ "$f" =~ ^line1-[0-9]{8}-[0-9]{6}(x[0-9]{3})?\.zvl$ ]] || fail "file name $f"
  "$zvl" info "$out/$f" >"$work/info" || fail "zvl info $f"
  grep -q '^Comment 1: *zvl log on port COM8 (' "$work/info" || fail "port comment in $f"
  grep -q '^Comment 2: *Instrument serial number ZVLOG001, firmware 1.51$' "$work/info" || fail "instrument comment in $f"
  ended=$(sed -n 's/^Comment 3: *//p' "$work/info")
  results=$(sed -n 's/^Results: *\([0-9]*\).*/\1/p' "$work/info")
  first=$(sed -n 's/^First result:.*(\([0-9]*\) seconds.*/\1/p' "$work/info")
  [ "$first" -ge "$prev" ] || fail "$f starts before the file before it"
  prev=$(sed -n 's/^Last result:.*(\([0-9]*\) seconds.*/\1/p' "$work/info")
  grep -q "^$out/$f: $results results, " "$work/log.out" || fail "no line for $f with $results results"
  case "$ended" in
    "Ended: roll after 1000 results") [ "$results" -eq 1000 ] || fail "$f: $results results in a roll of 1000" ;;
    "Ended: port lost ("*) lost=$((lost + 1)) ;;
    "Ended: stop (SIGTERM)") [ "$n" -eq "$(echo "$files" | wc -l)" ] || fail "$f ended by the stop is not the last" ;;
    *) fail "$f: \"$ended\"" ;;
  esac
  grep -q '^Comment 4: *After a gap: port lost ' "$work/info" && gap=$((gap + 1))
done
[ $lost -eq 1 ] && [ $gap -eq 1 ] || fail "$lost files ended by the loss, $gap name a gap"

# SIGHUP ends it as well; the file name carries the default prefix.
out2="$work/out2"; mkdir "$out2"
"$zvl" log --port COM8 --quiet "$out2" >"$work/hup.out" 2>"$work/hup.err" &
logpid=$!
started() { [ "$(grep -c 'command 0x40' "$work/sim2.err")" -ge 2 ]; }  # the second logger records
waituntil 15 started || fail "the second logger did not start: $(cat "$work/hup.err")"
stopwith HUP "$logpid"
[ $code -eq 0 ] || fail "exit $code after SIGHUP: $(cat "$work/hup.err")"
[ ! -s "$work/hup.out" ] || fail "--quiet printed: $(cat "$work/hup.out")"
ls "$out2" | grep -qE '^zvl-[0-9]{8}-[0-9]{6}\.zvl$' || fail "no file after SIGHUP: $(ls "$out2")"

# A reader that goes away: `zvl log | head -1` and `zvl collect -o F | head -3` stop the
# instrument, save everything and exit 2 with a line, instead of dying of SIGPIPE.
streaming() {  # the bytes the instrument sends in a second once nobody listens
  local dev; dev=$(readlink -f "$XDG_CONFIG_HOME/Pellam/ports/COM8")
  stty -F "$dev" raw -echo; timeout 1 cat "$dev" | wc -c || true
}
# The simulator takes the stop when it is scheduled: on a loaded machine a second or two after
# the tool sent it. Quiet within five tries of a second, or the stop was never sent.
stopped() { for _ in 1 2 3 4 5; do [ "$(streaming)" -eq 0 ] && return 0; done; return 1; }
out3="$work/out3"; mkdir "$out3"
set +e
"$zvl" log --port COM8 --roll 300 "$out3" 2>"$work/pipe.err" | head -1 >"$work/pipe.out"
code=${PIPESTATUS[0]}
set -e
[ $code -eq 2 ] || fail "zvl log | head -1 exited $code: $(cat "$work/pipe.err")"
grep -q 'cannot write to standard output (Broken pipe); stopping as at a signal' "$work/pipe.err" \
  || fail "no line about the output: $(cat "$work/pipe.err")"
[ "$(ls "$out3" | wc -l)" -ge 2 ] || fail "the files after the closed output were not saved: $(ls "$out3")"
for f in "$out3"/*; do "$zvl" info "$f" >/dev/null || fail "$f does not read"; done
stopped || fail "zvl log left the instrument streaming"
set +e
"$zvl" collect --port COM8 -o "$work/pipe.zvl" 2>"$work/cpipe.err" | head -3 >/dev/null
code=${PIPESTATUS[0]}
set -e
[ $code -eq 2 ] || fail "zvl collect | head -3 exited $code: $(cat "$work/cpipe.err")"
grep -q 'cannot write to standard output (Broken pipe); the recording is stopped' "$work/cpipe.err" \
  || fail "no line about the output: $(cat "$work/cpipe.err")"
"$zvl" info "$work/pipe.zvl" | grep -q '^Results: *[1-9]' || fail "zvl collect -o did not save: $(cat "$work/cpipe.err")"
stopped || fail "zvl collect left the instrument streaming"

# A port that cannot be opened at the start: exit 2, nothing written. Bad arguments: exit 1.
set +e
"$zvl" log --port /nonexistent/tty "$out2" >/dev/null 2>"$work/open.err"; code=$?
[ $code -eq 2 ] || fail "a missing port should exit 2, got $code"
for bad in "--roll 0" "--roll 100001" "--every 10" "--every 1.5h" "--name a/b" "--frob"; do
  # shellcheck disable=SC2086
  "$zvl" log --port COM8 $bad "$out2" >/dev/null 2>&1; code=$?
  [ $code -eq 1 ] || fail "\"$bad\" should exit 1, got $code"
done
"$zvl" log --port COM8 >/dev/null 2>&1; code=$?
[ $code -eq 1 ] || fail "no DIR should exit 1, got $code"
"$zvl" log "$out2" >/dev/null 2>&1; code=$?
[ $code -eq 1 ] || fail "no --port should exit 1, got $code"
set -e
[ "$(ls "$out2" | wc -l)" -eq 1 ] || fail "a failed start wrote into the folder"
echo "log: $(echo "$files" | wc -l) files"
