#!/usr/bin/env bash
# The first picture of a folder's timeline, whole process (start, Qt offscreen, the read, the
# picture, exit), and its peak memory; then the redraws of every mode and time base.
#
#   bench/timeline_open.sh FOLDER [BUILD_DIR]
#
# FOLDER: made by bench/make_week_folder.sh (30 recordings of 100000 results).
set -euo pipefail
folder="${1:?usage: timeline_open.sh FOLDER [BUILD_DIR]}"
build="${2:-$(dirname "$0")/../build}"
program="$build/bench/bench_timeline"
[ -x "$program" ] || cmake --build "$build" -j2 --target bench_timeline >&2
for run in 1 2 3; do
    /usr/bin/time -f "whole process: %e s, peak resident %M kB" "$program" --first "$folder"
done
"$program" "$folder"
