#!/usr/bin/env bash
# Makes the folder the folder benchmarks read: a week of zvl log files, 30 recordings of 100000
# results each (3,000,000 results; each saved as the logger saves it, in part files of 32768),
# with the logger's comment lines, consecutive times and inputs changing at realistic rates.
#
#   bench/make_week_folder.sh FOLDER [FILES [RESULTS]] [BUILD_DIR]
#
# BUILD_DIR (default build) is where the make_week_folder program is built if it is missing.
set -euo pipefail
folder="${1:?usage: make_week_folder.sh FOLDER [FILES [RESULTS]] [BUILD_DIR]}"
files="${2:-30}"
results="${3:-100000}"
build="${4:-$(dirname "$0")/../build}"
program="$build/bench/make_week_folder"
[ -x "$program" ] || cmake --build "$build" -j2 --target make_week_folder >&2
"$program" "$folder" "$files" "$results"
