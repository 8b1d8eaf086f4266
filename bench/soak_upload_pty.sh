#!/usr/bin/env bash
# Upload soak over a real pseudo-terminal: RUNS unpaced `zvl upload`s from zvl-sim with its
# fault switches (bad checksums, repeated blocks, garbage, pauses, a wrapped memory), each
# seeded differently; every file must hold exactly the simulator's memory in written order.
#     bench/soak_upload_pty.sh ZVL ZVL-SIM [RUNS]      (default 20)
set -euo pipefail
zvl="$1"; sim="$2"; runs="${3:-20}"
work="$(mktemp -d)"
export XDG_CONFIG_HOME="$work/config"
simpid=""
cleanup() { [ -n "$simpid" ] && kill "$simpid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
count() { od -An -tu1 -N2 "$1" | awk '{ print $1 + 256 * $2 }'; }
records() { tail -c +3 "$1" | head -c "$(( $(count "$1") * 8 ))"; }

failed=0; total=0; start=$(date +%s.%N)
for run in $(seq "$runs"); do
  memory=$(( 20000 + run * 499 % 12000 ))   # one file: at most 32768 records
  wrap=$(( run % 2 ? 0 : 1 + run * 7919 % memory ))
  wraparg=(); [ "$wrap" -gt 0 ] && wraparg=(--wrap-at "$wrap")
  "$sim" --port COM7 --unpaced --memory "$memory" "${wraparg[@]}" --seed "$run" \
    --bad-checksums 0.03 --repeat-blocks 0.03 --block-garbage 0.05 --block-pauses 0.002 --pause-ms 2000 \
    --dump-memory "$work/mem.bin" >"$work/sim.out" 2>"$work/sim.err" &
  simpid=$!
  for _ in $(seq 100); do grep -q COM7 "$work/sim.out" 2>/dev/null && break; sleep 0.1; done
  if "$zvl" upload --port COM7 "$work/up.zvl" >/dev/null 2>"$work/up.err" &&
     [ "$(count "$work/up.zvl")" -eq "$memory" ] && records "$work/up.zvl" | cmp -s - "$work/mem.bin"; then
    total=$(( total + memory ))
  else
    failed=$(( failed + 1 )); echo "run $run (memory $memory, wrap $wrap) failed: $(tail -2 "$work/up.err")"
  fi
  kill "$simpid" 2>/dev/null; wait "$simpid" 2>/dev/null || true; simpid=""
  rm -f "$work/up.zvl" "$work/mem.bin"
done
echo "$runs uploads over a pty, $total records compared, $failed failed, $(echo "$(date +%s.%N) - $start" | bc) s"
[ "$failed" -eq 0 ]
