#!/usr/bin/env bash
# The live journal's share of zvl log's or zvl collect's CPU at 320 results a second, from a
# profile: zvl-sim --rate 320 (paced, a pseudo-terminal), the command reading it, and
# `perf record --call-graph dwarf` of the command for S seconds; the share of the samples whose
# call stack holds the journal's code (JournalWriter, the recorder's journal steps, the block's
# encoding and checksum, fdatasync). perf's own work at each sample is charged to the command,
# so its CPU under perf is several times its own; the share is what carries over: multiply it
# by the command's CPU from bench/live_paced.sh. Needs perf and the right to profile.
#
#   bench/journal_perf.sh [-s SECONDS] [-b BUILD] log|collect
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=60
build=build
while getopts "s:b:" o; do
  case "$o" in
    s) seconds="$OPTARG" ;;
    b) build="$OPTARG" ;;
    *) exit 1 ;;
  esac
done
shift $((OPTIND - 1))
mode="${1:-log}"
command -v perf >/dev/null || { echo "journal_perf: perf is not installed" >&2; exit 1; }
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"
port=COM$((100 + RANDOM % 150))
nice -n -10 true 2>/dev/null && sim_nice=(nice -n -10) || sim_nice=()
"${sim_nice[@]}" "$build/sim/zvl-sim" --port "$port" --rate 320 >"$work/sim.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q "$port" "$work/sim.out" && break; sleep 0.1; done
mkdir -p "$work/log"
case "$mode" in
  log) "$build/cli/zvl" log --port "$port" --quiet "$work/log" 2>"$work/err" & ;;
  collect) "$build/cli/zvl" collect --port "$port" --seconds $((seconds + 10)) >/dev/null 2>"$work/err" & ;;
  *) echo "journal_perf: log or collect, not $mode" >&2; exit 1 ;;
esac
pid=$!
pids+=($pid)
sleep 5  # past the start's waits
perf record -q -F 20000 --call-graph dwarf,16384 -o "$work/perf.data" -p "$pid" -- sleep "$seconds" >/dev/null 2>&1
perf script -i "$work/perf.data" -F ip,sym 2>/dev/null >"$work/stacks.txt"
python3 - "$work/stacks.txt" "$mode" <<'PY'
import re
import sys
journal = re.compile(r'JournalWriter|journalNew|flushJournal|encodeJournalBlock|crc32|appendRecordBytes|'
                     r'CollectJournal|fdatasync|rewriteJournal|restartJournal')
total = hits = 0
stack = []
def sample():
    global total, hits
    if stack:
        total += 1
        hits += any(journal.search(f) for f in stack)
for line in open(sys.argv[1]):
    if not line.strip():
        sample()
        stack.clear()
    else:
        stack.append(line.strip())
sample()
print("zvl %s: %d samples, %d with the journal in the stack: %.2f %% of its CPU" %
      (sys.argv[2], total, hits, 100 * hits / max(total, 1)))
PY
