#!/usr/bin/env bash
# The whole program during a live recording at the line's limit, as a serial line delivers it:
# zvl-sim --rate 320 on a pseudo-terminal paced at 19200 bit/s, pellam-zvl on a virtual display
# (Xvfb and openbox), or zvl collect. For each mode the program's own CPU time (user + system
# from /proc/PID/stat) over S seconds, then optionally its system calls by kind (strace -c).
#
#   bench/live_paced.sh [-s SECONDS] [-t STRACE_SECONDS] [-b BUILD] [-j] [MODE...]
#
# -j: the window's journal cannot start (a file stands where its folder would be; its warning
# box is answered at the start of the recording), so that a run with it shows its share.
#
# MODE: idle (online with no recording, the status poll only; first if given), event, tb0
# (1 second), tb7 (5 minutes), tb19 (50 days), any tbN, collect (the zvl tool, run after
# the window has gone) or log (zvl log into a temporary folder, likewise). Default: idle
# event tb0 tb7 tb19 collect log. Figures go to docs/performance.md.
# collect-nojournal and log-nojournal run the same without their journal, for its share of
# the CPU: its place is taken by something it cannot be written over (for zvl collect a file
# where the journal folder's parent would be, for zvl log a folder under the name a new
# journal is written under), so the program says once that it cannot write it and records on
# without it, as it would on a full disk. Give each twice, alternated with its mode, as
# single runs differ by more than the journal costs. The CPU is the time on the CPU of the
# process's threads (/proc/PID/task/*/schedstat, nanoseconds).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=60
strace_seconds=0
build=build
nojournal=0
while getopts "s:t:b:j" o; do
  case "$o" in
    s) seconds="$OPTARG" ;;
    t) strace_seconds="$OPTARG" ;;
    b) build="$OPTARG" ;;
    j) nojournal=1 ;;
    *) exit 1 ;;
  esac
done
shift $((OPTIND - 1))
modes=("$@")
[ ${#modes[@]} -gt 0 ] || modes=(idle event tb0 tb7 tb19 collect log)
for tool in Xvfb openbox xprop xdotool; do
  command -v "$tool" >/dev/null || { echo "live_paced: $tool is not installed (scripts/deps installs it)" >&2; exit 1; }
done

. tests/e2e/xrig.sh
[ "$nojournal" = 0 ] || { mkdir -p "$XDG_STATE_HOME"; : >"$XDG_STATE_HOME/Pellam"; }

# The CPU time of the process's threads so far, in seconds.
cputime() { cat /proc/"$1"/task/*/schedstat | awk '{ s += $1 } END { printf "%.6f", s / 1e9 }'; }

# measure PID LABEL: CPU over the run, then system calls by kind.
measure() {
  local pid="$1" label="$2" t0 t1 w0 w1 load
  sleep 3  # the mode's first picture and the start's waits are not part of the steady state
  t0=$(cputime "$pid"); w0=$(date +%s.%N)
  sleep "$seconds"
  t1=$(cputime "$pid"); w1=$(date +%s.%N)
  load=$(cut -d' ' -f1-3 /proc/loadavg)
  awk -v a="$t0" -v b="$t1" -v w0="$w0" -v w1="$w1" -v l="$label" -v load="$load" \
    'BEGIN { printf "%-8s CPU %.3f %% of a core over %.1f s, %.3f s user+sys, %.1f us a result at 320/s (load %s)\n",
             l, (b - a) / (w1 - w0) * 100, w1 - w0, b - a, (b - a) / (w1 - w0) / 320 * 1e6, load }'
  if [ "$strace_seconds" != 0 ]; then
    timeout -s INT "$strace_seconds" strace -c -f -p "$pid" -o "$work/strace.txt" 2>/dev/null || true
    sleep 0.2
    echo "$label system calls a second over $strace_seconds s:"
    awk -v s="$strace_seconds" '$0 ~ /^ *[0-9.]+ +[0-9.]+ +[0-9]+ +[0-9]+/ {
        name = $NF; calls = $4; errors = (NF == 6) ? $5 : 0
        failed = (errors > 0) ? sprintf(" (%d failed)", errors) : ""
        printf "  %-16s %8.0f a second%s\n", name, calls / s, failed }' \
      "$work/strace.txt" | sort -k2 -n -r | head -12
  fi
}

# The simulator paces the line from its own process; on a loaded machine it would fall behind
# (its byte budget holds a burst of 8 bytes), so it runs at a higher priority when it may.
nice -n -10 true 2>/dev/null && sim_nice=(nice -n -10) || sim_nice=()
"${sim_nice[@]}" "$build/sim/zvl-sim" --port COM1 --rate 320 >"$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q COM1 "$work/sim.log" && break; sleep 0.1; done

gui=0
for m in "${modes[@]}"; do case "$m" in collect* | log*) ;; *) gui=1 ;; esac; done
if [ "$gui" = 1 ]; then
  startx11 || { echo "live_paced: Xvfb did not start" >&2; exit 1; }
  export DISPLAY="$display"
  env -u QT_QPA_PLATFORM "$build/pellam-zvl" >"$work/app.log" 2>&1 &
  app=$!
  pids+=($app)
  # The first run's boxes (the settings file, the port) are answered with Return until the
  # main window is the active one; Activity > "Collect New Data" then starts a time-base
  # recording at the first run's time base, row 5.
  main=""
  for _ in $(seq 120); do
    active=$(xdotool getactivewindow getwindowname 2>/dev/null || true)
    echo "active: $active" >>"$work/boxes.log"
    if [ "$active" = "Corvask Pellam-ZVL" ]; then
      main=$(xdotool search --onlyvisible --name "^Corvask Pellam-ZVL\$" 2>/dev/null | head -1 || true)
      [ -z "$main" ] || break
    fi
    [ -z "$active" ] || xdotool key Return || true
    sleep 0.5
  done
  [ -n "$main" ] || { echo "live_paced: the main window did not come up: $(cat "$work/app.log" "$work/boxes.log")" >&2; exit 1; }
  sleep 1
  # The client area stands below the menu bar; its controls at fixed places.
  menubar=${ZVL_MENUBAR:-19}
  click() { xdotool mousemove --window "$main" "$1" $(($2 + menubar)) click 1; sleep 0.3; }
  recording=0
  record() {
    [ "$recording" = 0 ] || return 0
    xdotool mousemove --window "$main" 62 9 click 1   # the Activity menu
    sleep 0.7
    xdotool mousemove --window "$main" 114 73 click 1  # Collect New Data
    sleep 2
    if [ "$nojournal" = 1 ]; then  # the box that says the journal cannot be written
      [ "$(xdotool getactivewindow getwindowname 2>/dev/null)" != "Corvask Pellam-ZVL" ] || {
        echo "live_paced: no box about the journal" >&2; exit 1; }
      xdotool key Return
      sleep 1
    fi
    recording=1
    timebase=5  # Collect New Data records at the settings' time base, row 5 on a first run
    event=0
  }
fi

# The port is the window's while it runs: the zvl tool's modes close it first.
closeapp() {
  if [ "$gui" = 1 ] && kill -0 "$app" 2>/dev/null; then
    [ -z "${ZVL_SHOT:-}" ] || scripts/screenshot "$display" "$ZVL_SHOT"
    kill "$app"; wait "$app" 2>/dev/null || true
    sleep 1
  fi
}

for m in "${modes[@]}"; do
  case "$m" in
    collect | collect-nojournal)
      closeapp
      state="$XDG_STATE_HOME"
      if [ "$m" = collect-nojournal ]; then state="$work/nostate"; mkdir -p "$state"; : >"$state/Pellam"; fi
      XDG_STATE_HOME="$state" "$build/cli/zvl" collect --port COM1 --seconds $((seconds + 3 + strace_seconds + 1)) >/dev/null 2>"$work/collect.err" &
      cpid=$!
      pids+=($cpid)
      measure "$cpid" "$m"
      wait "$cpid" || true
      ;;
    log | log-nojournal)  # files of 100000 results (one save a minute), no status line
      closeapp
      rm -rf "$work/log"
      mkdir -p "$work/log"
      [ "$m" = log ] || mkdir -p "$work/log/.zvl-log-journal-new.zvlj/kept-out"
      "$build/cli/zvl" log --port COM1 --quiet "$work/log" >/dev/null 2>"$work/log.err" &
      lpid=$!
      pids+=($lpid)
      sleep 1
      kill -0 "$lpid" 2>/dev/null || { echo "live_paced: zvl log ended: $(cat "$work/log.err")" >&2; exit 1; }
      measure "$lpid" "$m"
      kill -INT "$lpid"; wait "$lpid" || true
      ls "$work/log" | grep -q . || { echo "live_paced: zvl log wrote no file: $(cat "$work/log.err")" >&2; exit 1; }
      ;;
    idle)  # online with no recording: the status poll only (first in the list)
      [ "$recording" = 0 ] || { echo "live_paced: idle comes before the recording modes" >&2; exit 1; }
      click 196 524  # Online
      measure "$app" idle
      ;;
    event)
      record
      [ "$event" = 1 ] || { click 265 524; event=1; }
      measure "$app" event
      ;;
    tb*)
      record
      [ "$event" = 0 ] || { click 265 524; event=0; }
      want=${m#tb}
      while [ "$timebase" -gt "$want" ]; do click 678 523; timebase=$((timebase - 1)); done
      while [ "$timebase" -lt "$want" ]; do click 725 523; timebase=$((timebase + 1)); done
      measure "$app" "$m"
      ;;
    *) echo "live_paced: no mode $m" >&2; exit 1 ;;
  esac
done
[ -z "${ZVL_SHOT:-}" ] || [ "$gui" = 0 ] || ! kill -0 "$app" 2>/dev/null || scripts/screenshot "$display" "$ZVL_SHOT"
