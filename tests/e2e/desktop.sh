#!/usr/bin/env bash
# pellam-zvl FILE.zvl on a virtual display (Xvfb): after the first run's boxes the window
# shows the file's recording, the trace picture that zvl render draws of the same file.
set -euo pipefail
app="$1"
zvl="$2"
sim="$3"
here="$(cd "$(dirname "$0")" && pwd)"
for tool in Xvfb openbox xprop xdotool xwd xwininfo xwdtopnm pnmpaste pnmtopng pngtopnm python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/deps installs it)"; exit 77; }
done

. "$here/xrig.sh"   # a first run: defaults, the settings box, port COM1
# A failure shows what the program itself printed, and the simulator's log.
fail() {
  echo "FAIL: $*" >&2
  for log in app sim; do
    [ -s "$work/$log.log" ] && { echo "--- $log.log:" >&2; cat "$work/$log.log" >&2; }
  done
  exit 1
}

printf '0,0\r\n' >"$work/in.csv"
for i in $(seq 40); do printf '%d,%d\r\n' $((800000000 + i * 5)) $((i * 2731 % 65536)) >>"$work/in.csv"; done
"$zvl" import "$work/in.csv" "$work/run.zvl" >/dev/null
QT_QPA_PLATFORM=offscreen "$zvl" render "$work/run.zvl" "$work/render.png" >/dev/null 2>&1 || fail "zvl render"

startx11 || fail "Xvfb did not start"
"$sim" --port COM1 >"$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q COM1 "$work/sim.log" && break; sleep 0.1; done
# On the virtual display, whatever platform the tests around it ask for.
env -u QT_QPA_PLATFORM DISPLAY="$display" "$app" "$work/run.zvl" >"$work/app.log" 2>&1 &
pids+=($!)
# The first sighting counts: a second search could fail on its own, as xdotool gives up when
# a window it is looking at goes away meanwhile (the splash window, a box).
shown=""
for _ in $(seq 300); do
  if DISPLAY="$display" xdotool search --onlyvisible --name Pellam >/dev/null 2>&1; then shown=yes; break; fi
  kill -0 "${pids[-1]}" 2>/dev/null || fail "pellam-zvl ended"
  sleep 0.1
done
[ -n "$shown" ] || fail "no window in 30 s"
pngtopnm "$work/render.png" >"$work/render.ppm"
# The first run's boxes are answered with Return until the picture shows (or 40 tries); a
# key is sent only while a box, not the main window, is the active one.
found=""
for _ in $(seq 40); do
  active=$(DISPLAY="$display" xdotool getactivewindow getwindowname 2>/dev/null || true)
  if [ -n "$active" ] && [ "$active" != "Corvask Pellam-ZVL" ]; then DISPLAY="$display" xdotool key Return || true; fi
  sleep 1
  "$here/../../scripts/screenshot" "$display" "$work/screen.png"
  pngtopnm "$work/screen.png" >"$work/screen.ppm" 2>/dev/null
  [ -z "${ZVL_KEEP_SCREEN:-}" ] || cp "$work/screen.ppm" "$ZVL_KEEP_SCREEN"
  found=$(python3 "$here/findpicture.py" "$work/screen.ppm" "$work/render.ppm") || continue
  python3 -c "import sys; sys.exit(0 if float('${found##* }') >= 0.98 else 1)" && break
done
[ -n "$found" ] || fail "the recording's picture is not on the screen"
read -r x y same <<<"$found"
python3 -c "import sys; sys.exit(0 if float('$same') >= 0.98 else 1)" \
  || fail "the picture at $x,$y matches zvl render's in only $same of its pixels"
echo "the window shows the recording at $x,$y ($same of the picture as zvl render draws it)"
