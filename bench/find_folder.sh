#!/usr/bin/env bash
# zvl find over 3,000,000 results: `zvl find --key 3=off --min 10m` over 30 recordings of
# 100000 results each (saved in part files), whole process with a warm cache, its peak memory,
# and `cat` of the same files beside it.
# Usage: find_folder.sh ZVL [FOLDER]   (the folder is made, with zvl import, when it is empty)
set -euo pipefail
zvl="$(realpath "$1")"
dir="${2:-/tmp/zvl-find-bench}"
mkdir -p "$dir"
export XDG_CONFIG_HOME="$dir/config"
if ! ls "$dir"/w30_1.ZVL >/dev/null 2>&1; then
  for f in $(seq -w 1 30); do
    # One result every 1..3 s; each result changes one input with odds 0.3, input 3 less often.
    awk -v seed="$f" -v base="$((800000000 + (10#$f - 1) * 250000))" 'BEGIN {
      srand(seed); t = base
      for (i = 0; i <= 100000; i++) {
        t += 1 + int(rand() * 3)
        if (rand() < 0.3) { k = int(rand() * 16); if (k != 2 || rand() < 0.01) b[k] = 1 - b[k] }
        s = 0; for (k = 15; k >= 0; k--) s = s * 2 + b[k]
        printf "%d,%d\n", t, s
      } }' >"$dir/w$f.csv"
    "$zvl" import "$dir/w$f.csv" "$dir/w$f" 2>/dev/null
    rm "$dir/w$f.csv"
  done
fi
firsts=("$dir"/w??_1.ZVL)
cat "$dir"/w*.ZVL >/dev/null  # warm the cache
best() {  # the best of five runs of "$@", in seconds
  local b=999
  for _ in 1 2 3 4 5; do
    local s e; s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N)
    b=$(echo "if ($e - $s < $b) $e - $s else $b" | bc -l)
  done
  printf '%.3f' "$b"
}
find_s=$(best "$zvl" find --key 3=off --min 10m --all-parts "${firsts[@]}")
cat_s=$(best cat "$dir"/w*.ZVL)
peak=$( { /usr/bin/time -f '%M' "$zvl" find --key 3=off --min 10m --all-parts "${firsts[@]}" >/dev/null; } 2>&1 | tail -1)
matches=$("$zvl" find --key 3=off --min 10m --count --all-parts "${firsts[@]}")
echo "files: $(ls "$dir"/w*.ZVL | wc -l) part files, $(du -cb "$dir"/w*.ZVL | tail -1 | cut -f1) bytes; matches: $matches"
echo "zvl find: ${find_s} s, peak ${peak} KB; cat: ${cat_s} s; ratio $(echo "$find_s / $cat_s" | bc -l | cut -c1-5)"
