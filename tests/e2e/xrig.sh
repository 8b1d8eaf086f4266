# Sourced by the scripts that run pellam-zvl on a virtual display (tests/e2e/desktop.sh,
# bench/live_paced.sh): a scratch folder (also the configuration folder: each run is a first
# run, and the user's own settings and port links are never touched), the processes it starts
# (added to `pids`) ended on exit, and
#   startx11    Xvfb on a display it picks itself (a number chosen here could be another run's)
#               and openbox on it, ready; sets `display` (":N"), or returns 1 when no display
#               or no window manager answers
work="$(mktemp -d)"
export XDG_CONFIG_HOME="$work/config"
export XDG_STATE_HOME="$work/state"  # the journals of live recordings
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for _ in $(seq 50); do  # until they have ended, at most 5 s
    local alive=""
    for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && alive=yes; done
    [ -n "$alive" ] || break
    sleep 0.1
  done
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

startx11() {
  local try xvfb
  display=""
  for try in 1 2 3; do
    rm -f "$work/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    xvfb=$!
    pids+=($xvfb)
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    if [ -s "$work/display" ]; then
      display=":$(head -n 1 "$work/display")"
      for _ in $(seq 100); do
        if DISPLAY="$display" xdotool getdisplaygeometry >/dev/null 2>&1; then
          DISPLAY="$display" openbox >/dev/null 2>&1 &
          wm=$!
          pids+=($wm)
          "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wait-wm" "$display" "$wm" && return 0
          kill "$wm" 2>/dev/null || true
          break
        fi
        kill -0 "$xvfb" 2>/dev/null || break
        sleep 0.1
      done
    fi
    # This Xvfb did not come up (another one took its display meanwhile): another try.
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    display=""
  done
  return 1
}
