#!/usr/bin/env bash
# The zvl commands on a folder, whole process, warm cache: wall time and peak memory
# (/usr/bin/time -v) of `zvl info DIR`, `zvl export DIR` (to a file and to standard output),
# `zvl export` of one of its recordings (per result, to compare), `zvl export --from --to` of one
# day, `zvl vcd DIR`, `zvl stats DIR` and `zvl find --key 3=off --min 10m DIR` beside `cat` of the
# folder's files, each run three times.
#
#   bench/folder_commands.sh [BUILD_DIR [FOLDER]]
#
# FOLDER (default a temporary one) is made by make_week_folder.sh when it does not exist.
set -euo pipefail
build="${1:-$(dirname "$0")/../build}"
folder="${2:-${TMPDIR:-/tmp}/zvl-week}"
zvl="$build/cli/zvl"
[ -d "$folder" ] || "$(dirname "$0")/make_week_folder.sh" "$folder" 30 100000 "$build" >/dev/null
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
export XDG_CONFIG_HOME="$out/config"
one="$(ls "$folder" | grep -m1 '_1\.ZVL$')"
day=(--from "2026-12-03 00:00:00" --to "2026-12-03 23:59:59")
run() {
  local what="$1"; shift
  "$@" >/dev/null 2>&1   # warm the cache
  for k in 1 2 3; do
    /usr/bin/time -f "%e %M" -o "$out/t" "$@" >/dev/null 2>"$out/err" || { echo "$what failed: $(cat "$out/err")"; exit 1; }
    read -r seconds kb <"$out/t"
    echo "$what: $seconds s, $((kb / 1024)) MB"
  done
}
echo "results in one day: $("$zvl" export "$folder" - "${day[@]}" | tail -n +17 | wc -l)"
run "info DIR" "$zvl" info "$folder"
run "export DIR to a file" "$zvl" export "$folder" "$out/all.csv"
run "export DIR -" "$zvl" export "$folder" -
run "export of one recording (100000 results) to a file" "$zvl" export --all-parts "$folder/$one" "$out/one.csv"
run "export --from --to of one day to a file" "$zvl" export "$folder" "$out/day.csv" "${day[@]}"
run "vcd DIR -" "$zvl" vcd "$folder" -
run "stats DIR" "$zvl" stats "$folder"
echo "matches of find: $("$zvl" find --key 3=off --min 10m --count "$folder")"
run "find --key 3=off --min 10m DIR" "$zvl" find --key 3=off --min 10m "$folder"
run "cat of the folder's files" sh -c 'cat "$1"/*.ZVL' cat "$folder"
