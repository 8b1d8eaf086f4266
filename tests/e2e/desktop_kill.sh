#!/usr/bin/env bash
# pellam-zvl on a virtual display collects zvl-sim's live results (320 a second) for a minute
# and is killed with SIGKILL; the simulator streams on. Started again with the same journal
# folder it asks whether to recover the recording (answered Yes), and File > Save writes it.
# The saved results are those sent (zvl-sim --sent-log) from the first up to the kill, in order:
# every one sent up to a second before it, and none of those the simulator sent to the second
# start, which found no recording running.
set -euo pipefail
app="$1"
zvl="$2"
sim="$3"
seconds="${ZVL_KILL_AFTER:-60}"
here="$(cd "$(dirname "$0")" && pwd)"
for tool in Xvfb openbox xdotool python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/deps installs it)"; exit 77; }
done

. "$here/xrig.sh"  # a first run each time: nothing was written at the kill
fail() {
  echo "FAIL: $*" >&2
  for log in app1 app2 sim; do [ -s "$work/$log.log" ] && { echo "--- $log.log:" >&2; cat "$work/$log.log" >&2; }; done
  exit 1
}
journals="$work/state/Pellam/journal"
journal() { ls "$journals"/*.zvlj 2>/dev/null || true; }

startx11 || fail "Xvfb did not start"
export DISPLAY="$display"
nice -n -10 true 2>/dev/null && sim_nice=(nice -n -10) || sim_nice=()
"${sim_nice[@]}" "$sim" --port COM1 --rate 320 --sent-log "$work/sent.log" >"$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q COM1 "$work/sim.log" && break; sleep 0.1; done

# startapp N [JOURNAL]: pellam-zvl, its boxes answered with Return (the default button) until
# the main window is the active one (and JOURNAL is gone); `asked` lists the journals there were
# when the last box was answered (the recovery's question is the last box, its Yes takes the
# killed run's journal away).
startapp() {
  env -u QT_QPA_PLATFORM "$app" >"$work/app$1.log" 2>&1 &
  pid=$!
  pids+=($pid)
  asked=""
  for _ in $(seq 120); do
    kill -0 "$pid" 2>/dev/null || fail "pellam-zvl ended"
    active=$(xdotool getactivewindow getwindowname 2>/dev/null || true)
    if [ "$active" = "Corvask Pellam-ZVL" ] && { [ -z "${2:-}" ] || [ ! -e "$2" ]; }; then return 0; fi
    if [ -n "$active" ]; then
      asked=$(journal)
      xdotool key Return || true
    fi
    sleep 0.5
  done
  fail "the main window did not come up (${2:+or $2 is still there})"
}
# Activity > Collect New Data, again should the menu have been slow to open.
collect() {
  for _ in 1 2 3; do
    xdotool key alt+a && sleep 1 && xdotool key c
    for _ in $(seq 100); do [ -s "$work/sent.log" ] && [ -n "$(journal)" ] && return 0; sleep 0.1; done
    xdotool key Escape
  done
  fail "no recording started: $(journal)"
}

startapp 1
collect
killed=$(journal)
sleep "$seconds"
kill_ms=$(date +%s%3N)
kill -9 "$pid"
wait "$pid" 2>/dev/null || true
sleep 2  # the simulator streams on into the line with no one reading it

startapp 2 "$killed"
[ "$asked" = "$killed" ] || fail "no question took the killed run's journal ($killed; $(journal))"
sleep 3  # the simulator streams on into the window with the recovered recording
xdotool key ctrl+s  # Save: the recovered recording has no name yet
for _ in $(seq 40); do
  [ "$(xdotool getactivewindow getwindowname 2>/dev/null || true)" = "Corvask Pellam-ZVL" ] || break
  sleep 0.25
done
xdotool type --delay 20 "$work/recovered.zvl"
for _ in 1 2 3; do  # a second Return should the first have gone to the name's completion list
  xdotool key Return
  for _ in $(seq 30); do [ -s "$work/recovered.zvl" ] && break 2; sleep 0.1; done
done
for _ in $(seq 100); do [ -s "$work/recovered.zvl" ] && break; sleep 0.1; done
[ -s "$work/recovered.zvl" ] || fail "Save wrote no file"

"$zvl" export "$work/recovered.zvl" "$work/recovered.csv" 2>/dev/null || fail "zvl export of the saved file"
awk -F, '$1 ~ /^ *[0-9]+$/ && $1 + 0 > 0 {
    w = 0; for (i = 0; i < 16; ++i) if ($(4 + i) + 0 == 1) w += 2 ^ i
    printf "%04x\n", w }' "$work/recovered.csv" >"$work/kept.txt"
python3 - "$work/sent.log" "$work/kept.txt" "$kill_ms" <<'EOF'
import sys
sent = [l.split() for l in open(sys.argv[1])]
kept = open(sys.argv[2]).read().split()
kill = int(sys.argv[3])
before_kill = sum(1 for s in sent if int(s[1]) <= kill)
due = sum(1 for s in sent if int(s[1]) <= kill - 1000)
words = [s[2] for s in sent]
n = len(kept)
first_wrong = next((i for i in range(n) if i >= len(words) or kept[i] != words[i]), None)
print("sent %d (%d up to the kill, %d up to a second before), recovered %d" % (len(sent), before_kill, due, n))
if first_wrong is not None:
    sys.exit("FAIL: result %d of the recovered recording is not the one sent %d-th" % (first_wrong + 1, first_wrong + 1))
if n < due:
    sys.exit("FAIL: %d results sent up to a second before the kill are not recovered" % (due - n))
if n > before_kill:
    sys.exit("FAIL: %d results sent after the kill joined the recovered recording" % (n - before_kill))
EOF
# A save of the whole recovered recording, as it was recovered, removes its journal.
for _ in $(seq 50); do [ -z "$(journal)" ] && break; sleep 0.1; done
[ -z "$(journal)" ] || fail "the saved recording's journal is still there: $(journal)"
