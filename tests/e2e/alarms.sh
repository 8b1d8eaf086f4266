#!/usr/bin/env bash
# End to end over a real pseudo-terminal: zvl-sim --replay plays a short script, and zvl log
# with two held alarms, an edge, a hold that ends too early and idle fires each alarm once, at
# its moment (from the simulator's send times), with its line, its row and its command; a
# command still running is not started again. zvl collect's alarm lines stay off its data.
set -euo pipefail
zvl="$1"
sim="$2"
. "$(dirname "$0")/simrig.sh"
simrig COM12
out="$work/out"; env="$work/env"
mkdir "$out" "$env"
# Results 1..7: input 3 (0x4) on from 1 s to 4 s and from 5 s; input 5 (0x10) on for 2 s only (brief wants 4 s);
# input 1 rises at 4 s.
printf 'seconds,inputs\n0,0\n1,0x0014\n2,20\n3,0x0004\n4,0x0001\n5,5\n5.5,0x0005\n' >"$work/script.csv"
startsim sim --replay "$work/script.csv" --sent-log "$work/sent"
# The command notes the moment it ran and its environment; door's stays running, so door's
# second alarm finds it still there.
cmd='{ date +%s%3N; env | grep "^ZVL_" | sort; } >"'"$env"'/$ZVL_ALARM-$ZVL_RESULT"; [ "$ZVL_ALARM" != door ] || { echo $$ >"'"$env"'/door.pid"; exec sleep 60; }'
"$zvl" log --port COM12 --name al --alarm 'door: 3=on for 2s' --alarm ' start : 1=rise ; brief: 5=on for 4s' \
  --idle 3s --on-alarm "$cmd" "$out" >"$work/log.out" 2>"$work/log.err" &
logpid=$!
four() { [ "$(grep -c '^ALARM ' "$work/log.out")" -ge 4 ]; }
waituntil 40 four || fail "no four alarms in 40 s: $(cat "$work/log.out" "$work/log.err")"
waitfor "$work/log.err" 'alarm start: its command ended with exit status 0' 10
stopwith TERM "$logpid"
[ $code -eq 0 ] || fail "zvl log exited $code: $(cat "$work/log.err")"
kill "$(cat "$env/door.pid")" 2>/dev/null || true

# Name and result of each alarm, in order; the moment each is due by the simulator's clock.
alarms=$(sed -n 's/^ALARM \([a-z]*\) .* result \([0-9]*\)$/\1 \2/p' "$work/log.out" | tr '\n' ' ')
[ "$alarms" = "door 2 start 5 door 6 idle 7 " ] || fail "alarms: $alarms; $(cat "$work/log.out")"
sent() { awk -v n="$1" '$1 == n { print $2 }' "$work/sent"; }
check() {  # check NAME RESULT DUE_MS: fired within 1 s of DUE (a wide margin for a loaded machine)
  local line t ms
  line=$(grep "^ALARM $1 .* result $2\$" "$work/log.out")
  t=$(date -d "$(echo "$line" | cut -d' ' -f3-4)" +%s)
  [ $((t * 1000 + 999)) -ge "$3" ] && [ $((t * 1000)) -le $(($3 + 2500)) ] || fail "$line: due at $3 ms"
  [ -f "$env/$1-$2" ] || return 0
  ms=$(head -1 "$env/$1-$2")
  [ "$ms" -ge $(($3 - 100)) ] && [ "$ms" -le $(($3 + 2500)) ] || fail "$1's command ran at $ms ms, due at $3"
  echo "$1 (result $2): its command ran $((ms - $3)) ms after its moment"
}
check door 2 $(($(sent 2) + 2000))
check start 5 "$(sent 5)"
check door 6 $(($(sent 6) + 2000))
check idle 7 $(($(sent 7) + 3000))
[ ! -e "$env/door-6" ] || fail "door's command was started twice"
grep -q "alarm door: its command still runs; not started again" "$work/log.err" || fail "$(cat "$work/log.err")"

file=$(sed -n 's/^ZVL_FILE=//p' "$env/door-2")
[ -f "$file" ] && [[ "$file" == "$out"/al-*.zvl ]] || fail "ZVL_FILE $file: $(ls "$out")"
grep -qx 'ZVL_INPUTS=0010100000000000' "$env/door-2" || fail "$(cat "$env/door-2")"
grep -qE '^ZVL_TIME=[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}[+-][0-9]{2}:[0-9]{2}$' "$env/start-5" || fail "$(cat "$env/start-5")"
grep -qx 'ZVL_RESULT=5' "$env/start-5" || fail "$(cat "$env/start-5")"
csv="$out/al-alarms.csv"
[ "$(head -1 "$csv")" = "time,alarm,file,result,inputs" ] && [ "$(wc -l <"$csv")" -eq 5 ] || fail "$(cat "$csv")"
[ "$(cut -d, -f2,4,5 "$csv" | tail -4 | tr '\n' ' ')" = "door,2,0010100000000000 start,5,1000000000000000 door,6,1010000000000000 idle,7,1010000000000000 " ] \
  || fail "$(cat "$csv")"

# The port lost and back are alarms of their own.
mkdir "$work/out2"
"$zvl" log --port COM12 --idle 1h "$work/out2" >"$work/port.out" 2>"$work/port.err" &
logpid=$!
waitfor "$work/sent" '^14 ' 20  # the script played again, all of it
stopsim
waitfor "$work/port.out" '^ALARM port-lost .* result 7$' 10
startsim sim2 --replay "$work/script.csv"
waitfor "$work/port.out" '^ALARM port-back ' 30
stopwith TERM "$logpid"
[ "$(grep -c '^ALARM' "$work/port.out")" -eq 2 ] || fail "$(cat "$work/port.out")"

# zvl collect: the alarm line on stderr, the results alone on stdout.
"$zvl" collect --port COM12 --count 5 --alarm 'start: 1=rise' >"$work/c.out" 2>"$work/c.err" || fail "$(cat "$work/c.err")"
grep -qx 'ALARM start [0-9-]* [0-9:]* - result 5' "$work/c.err" || fail "collect: $(cat "$work/c.err")"
! grep -q ALARM "$work/c.out" || fail "an alarm line among the results"
echo "alarms: 4 alarms at their moments, their rows and commands; collect's on stderr"
