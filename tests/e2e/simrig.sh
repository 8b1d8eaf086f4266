# Sourced by the end-to-end scripts: a scratch folder (also the configuration folder, so the
# user's own port links are never touched), zvl-sim on a COM link, and the cleanup.
#   simrig COMn          set up; later `startsim LOG args...` starts zvl-sim on COMn
work="$(mktemp -d)"
export XDG_CONFIG_HOME="$work/config"
export XDG_STATE_HOME="$work/state"  # the journals of live recordings
simpid=""
simport=""
stopsim() {
  if [ -n "$simpid" ]; then kill "$simpid" 2>/dev/null || true; wait "$simpid" 2>/dev/null || true; fi
  simpid=""
}
cleanup() { stopsim; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# stopwith SIGNAL PID: signals a background command and waits for it; its exit status in `code`.
stopwith() { kill -"$1" "$2" 2>/dev/null || true; set +e; wait "$2"; code=$?; set -e; }
simrig() { simport="$1"; }
# waituntil SECONDS COMMAND...: polls until COMMAND succeeds, false at the deadline. The
# deadlines are generous: a slow machine only makes the wait longer, never the test fail.
waituntil() {
  local seconds="$1"; shift
  for _ in $(seq $((10 * seconds))); do "$@" && return 0; sleep 0.1; done
  return 1
}
# waitfor FILE PATTERN SECONDS: until FILE holds a line matching PATTERN.
waitfor() { waituntil "$3" grep -q "$2" "$1" 2>/dev/null || fail "no \"$2\" in $1 after $3 s: $(cat "$1")"; }

startsim() {  # startsim LOG args...: zvl-sim on $simport, its output in $work/LOG.out and .err
  local log="$1"; shift
  "$sim" --port "$simport" "$@" >"$work/$log.out" 2>"$work/$log.err" &
  simpid=$!
  for _ in $(seq 100); do
    grep -q "$simport" "$work/$log.out" 2>/dev/null && return 0
    sleep 0.1
  done
  fail "zvl-sim did not start: $(cat "$work/$log.out" "$work/$log.err")"
}
