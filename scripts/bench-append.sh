#!/usr/bin/env bash
# A second complete ZIP run of the day, appending to the first one's archive and replacing every
# entry (overwrite on, as by default), timed against that first run, at each count of small files
# in COUNTS (default "16000 70000"). Each round starts from an empty destination; some files are
# changed between the runs, and the appended archive must pass unzip -t, hold every file once and
# hold the changed files' new bytes.
# Usage: scripts/bench-append.sh [build folder]   (env: COUNTS, ROUNDS, GOAL)
set -euo pipefail
. "$(dirname "$0")/bench-lib.sh"
bench_init append "${1:-}" unzip cmp
counts=${COUNTS:-16000 70000}
goal=${GOAL:-3.0}

# source, destination: the archive there holds every file of the source with its present bytes.
check_append() {
  local n archive
  n=$(find "$1" -type f | wc -l)
  bench_check_zip "$2" "$n"
  archive=$(ls "$2"/*.zip)
  [ "$(unzip -Z1 "$archive" | grep -vc '/$')" -eq "$(unzip -Z1 "$archive" | sort -u | grep -vc '/$')" ] ||
    bench_fail "$archive holds an entry twice"
  rm -rf "$work/out" && mkdir "$work/out"
  unzip -qq "$archive" -d "$work/out"
  grep -rl ' changed$' "$1" | while read -r f; do
    cmp -s "$f" "$work/out/${f#/}" || bench_fail "$f: the archive holds its old bytes"
  done
}

bench_header "a ZIP run appending to today's archive against the first run of the day"
for count in $counts; do
  src=$work/src-$count
  bench_text_tree "$src" "$count" 100 2000
  for ((round = 0; round < rounds; round++)); do
    home=$work/home
    dest=$work/dest
    rm -rf "$dest"
    mkdir -p "$dest"
    bench_home "$home" 0 "$(find "$src" -mindepth 1 -type d | sort)" chkAppendArchive=1 chkOverwriteFile=1 optNewOnly=0 optComplete=-1
    bench_warm "$src"
    first=$(bench_ours "$home" "$dest")
    bench_change "$src" 100
    second=$(bench_ours "$home" "$dest")
    check_append "$src" "$dest"
    BENCH_T_OURS[$count]+=" ${second% *}"
    BENCH_M_OURS[$count]+=" ${second#* }"
    BENCH_T_ANCHOR[$count]+=" ${first% *}"
    BENCH_M_ANCHOR[$count]+=" ${first#* }"
  done
done
for count in $counts; do
  bench_report "$count" "appending run, $count files" "the first run" "$goal" "append-$count"
done
