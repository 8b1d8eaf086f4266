#!/usr/bin/env bash
# zvl log killed again and again: zvl-sim --rate 320 (paced, a pseudo-terminal) streams live
# results and writes what it sent (--sent-log); zvl log records them into a folder, is killed
# with SIGKILL at a random moment of 2 to 30 s and started again (it recovers its journal as it
# starts), N times; a last start recovers the last kill and is stopped with SIGINT. Then the
# folder's files are compared with the sent log:
#   lost per kill  results sent from the run's first kept result up to the kill that no file
#                  holds (the journal's budget is one second, 320 at the line's limit)
#   doubled        results held by more than one file, or twice in one
#   out of order   files whose results come before those of the file before them
#   unreadable     files that zvl export cannot read
# Results the simulator sent while no zvl log ran (between a kill and the next handshake) are
# no one's loss and are not counted.
#
# With -p P, P such pairs of a simulator and a logger run side by side, each with its own
# pseudo-terminal, folder and sent log, N rounds each; the figures are over all pairs. The
# machine's load average is sampled every 10 s while they run.
#
#   bench/log_kill.sh [-n ROUNDS] [-p PAIRS] [-m MIN_S] [-M MAX_S] [-b BUILD]
#
# Default 20 rounds of 2..30 s, one pair. Figures go to docs/reliability.md.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=20
pairs=1
min_s=2
max_s=30
build=build
while getopts "n:p:m:M:b:" o; do
  case "$o" in
    n) rounds="$OPTARG" ;;
    p) pairs="$OPTARG" ;;
    m) min_s="$OPTARG" ;;
    M) max_s="$OPTARG" ;;
    b) build="$OPTARG" ;;
    *) exit 1 ;;
  esac
done
build=$(cd "$build" && pwd)
work=$(mktemp -d)
children=()
cleanup() {
  for c in "${children[@]}"; do kill "$c" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"
nice -n -10 true 2>/dev/null && sim_nice=(nice -n -10) || sim_nice=()
# The time without a process of its own: a kill's moment is taken just before the kill, not
# after a fork that a loaded machine can make late.
stamp_ms() { local t=${EPOCHREALTIME/./}; printf -v "$1" '%d' $((t / 1000)); }

# One pair in its folder $1 on port $2: the rounds, the last start, then each file's results as
# input words in the order of the names (part files as one) in kept.txt.
pair() {
  local dir="$1" port="$2" sim="" logger="" r start ms killed
  trap '[ -n "$logger" ] && kill -9 "$logger" 2>/dev/null; [ -n "$sim" ] && kill "$sim" 2>/dev/null; exit 1' TERM
  mkdir -p "$dir/logs"
  "${sim_nice[@]}" "$build/sim/zvl-sim" --port "$port" --rate 320 --sent-log "$dir/sent.log" >"$dir/sim.out" 2>&1 &
  sim=$!
  for _ in $(seq 100); do grep -q "$port" "$dir/sim.out" && break; sleep 0.1; done
  : >"$dir/rounds.txt"
  for r in $(seq "$rounds"); do
    stamp_ms start
    "$build/cli/zvl" log --port "$port" --quiet "$dir/logs" 2>>"$dir/log.err" &
    logger=$!
    ms=$(((RANDOM * 32768 + RANDOM) % ((max_s - min_s) * 1000 + 1) + min_s * 1000))
    sleep "$(awk -v m="$ms" 'BEGIN { printf "%.3f", m / 1000 }')"
    stamp_ms killed
    kill -9 "$logger" 2>/dev/null || true
    wait "$logger" 2>/dev/null || true
    logger=""
    echo "$start $killed" >>"$dir/rounds.txt"
    echo "$dir round $r: killed after $((killed - start)) ms" >&2
  done
  # The last start recovers the last kill; a stop ends it cleanly.
  "$build/cli/zvl" log --port "$port" --quiet "$dir/logs" 2>>"$dir/log.err" &
  logger=$!
  sleep 3
  # A signal that comes before zvl log has set up its handling is lost (a background job
  # ignores SIGINT until then): sent again until it has ended.
  while kill -INT "$logger" 2>/dev/null; do
    for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$logger" 2>/dev/null && sleep 0.5; done
  done
  wait "$logger" || echo "log_kill: the last zvl log of $dir ended with $?" >&2
  logger=""
  kill "$sim" && wait "$sim" 2>/dev/null || true
  sim=""
  : >"$dir/kept.txt"
  echo 0 >"$dir/unreadable"
  local f extra unreadable=0
  for f in $(cd "$dir/logs" && ls | grep -E '\.zvl$|_1\.ZVL$' | sort); do
    extra=()
    case "$f" in *_1.ZVL) extra=(--all-parts) ;; esac
    if "$build/cli/zvl" export "$dir/logs/$f" "$dir/export.csv" "${extra[@]}" 2>/dev/null; then
      awk -F, -v f="$f" '$1 ~ /^ *[0-9]+$/ && $1 + 0 > 0 {
          w = 0; for (i = 0; i < 16; ++i) if ($(4 + i) + 0 == 1) w += 2 ^ i
          printf "%s %04x\n", f, w }' "$dir/export.csv" >>"$dir/kept.txt"
    else
      echo "unreadable: $dir/logs/$f" >&2
      unreadable=$((unreadable + 1))
    fi
  done
  echo "$unreadable" >"$dir/unreadable"
}

began=$(date +%s)
(while sleep 10; do cut -d' ' -f1 /proc/loadavg; done) >"$work/load.txt" &
sampler=$!
children+=("$sampler")
base=$((100 + RANDOM % 130))  # COM101 .. COM255
for p in $(seq "$pairs"); do
  pair "$work/pair$p" "COM$((base + p))" &
  children+=($!)
done
for c in "${children[@]:1}"; do wait "$c" || echo "log_kill: a pair ended with $?" >&2; done
kill "$sampler" 2>/dev/null || true
ended=$(date +%s)
cat "$work"/pair*/log.err >"$work/log.err"
echo "zvl log said $(grep -c recovered "$work/log.err" || true) times that it recovered results; its other lines:" >&2
grep -v recovered "$work/log.err" | sort | uniq -c | sort -rn | head -5 >&2 || true
echo "pairs $pairs, wall time $((ended - began)) s, load average (10 s samples) $(sort -n "$work/load.txt" | awk '{ a[NR] = $1; s += $1 } END { if (NR) printf "min %.2f, mean %.2f, max %.2f", a[1], s / NR, a[NR] }')"

python3 - "$rounds" "$work"/pair* <<'EOF'
import bisect
import sys

def pair(folder):
    sent = [l.split() for l in open(folder + "/sent.log")]
    ms = [int(s[1]) for s in sent]
    words = [s[2] for s in sent]
    files = {}
    order = []
    for line in open(folder + "/kept.txt"):
        name, w = line.split()
        if name not in files:
            files[name] = []
            order.append(name)
        files[name].append(w)
    rounds = [tuple(map(int, l.split())) for l in open(folder + "/rounds.txt")]
    index = {}
    for i in range(len(words) - 7):
        index.setdefault(tuple(words[i:i + 8]), []).append(i)
    held = [0] * len(words)
    out_of_order = unmatched = 0
    end = 0
    for name in order:
        seq = files[name]
        # A file is one stretch of what was sent: where its first results are, as a whole.
        starts = [s for s in index.get(tuple(seq[:8]), []) if words[s:s + len(seq)] == seq] if len(seq) >= 8 else \
            [s for s in range(len(words)) if words[s:s + len(seq)] == seq]
        if not starts:
            unmatched += 1
            print("not a stretch of what was sent:", folder, name, len(seq), file=sys.stderr)
            continue
        after = [s for s in starts if s >= end]
        s = after[0] if after else starts[-1]
        if s < end:
            out_of_order += 1
        for i in range(s, s + len(seq)):
            held[i] += 1
        end = max(end, s + len(seq))
    doubled = sum(h - 1 for h in held if h > 1)
    losses = []
    for start, killed in rounds:
        lo, hi = bisect.bisect_left(ms, start), bisect.bisect_right(ms, killed)
        first = next((i for i in range(lo, hi) if held[i]), None)
        if first is None:
            losses.append(None)
            continue
        lost = [i for i in range(first, hi) if not held[i]]
        losses.append(len(lost))
        if len(lost) > 320:
            # Where they are: how many end at the kill, and how long before it the last result
            # that was kept had been sent.
            tail = 0
            while tail < len(lost) and lost[-1 - tail] == hi - 1 - tail:
                tail += 1
            last = max((i for i in range(first, hi) if held[i]), default=first)
            print("over the budget: %s, the kill after %d ms: %d lost, %d of them at the end; the last kept "
                  "sent %d ms before the kill, the first lost %d ms after the start" %
                  (folder.rsplit("/", 1)[-1], killed - start, len(lost), tail, killed - ms[last],
                   ms[lost[0]] - start), file=sys.stderr)
    unreadable = int(open(folder + "/unreadable").read())
    return len(words), sum(1 for h in held if h), losses, doubled, out_of_order, unmatched, unreadable

total = [0, 0, [], 0, 0, 0, 0]
for folder in sys.argv[2:]:
    figures = pair(folder)
    for k in range(len(total)):
        total[k] += figures[k]
sent, held, losses, doubled, out_of_order, unmatched, unreadable = total
got = [l for l in losses if l is not None]
print("rounds %d (%d pairs of %s), kills with results %d, results sent %d, held %d" %
      (len(losses), len(sys.argv) - 2, sys.argv[1], len(got), sent, held))
if got:
    over = sum(1 for l in got if l > 320)
    print("lost per kill: max %d, mean %.1f, min %d (budget 320; %d kills over it)" %
          (max(got), sum(got) / len(got), min(got), over))
print("doubled %d, out of order %d, not a stretch of what was sent %d, unreadable files %d" %
      (doubled, out_of_order, unmatched, unreadable))
EOF
