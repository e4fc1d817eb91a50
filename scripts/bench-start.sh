#!/usr/bin/env bash
# The start and end of an unattended run that has nothing to do: an incremental ZIP run of a
# folder whose FILES files were all backed up by the run before, started as cron starts it. Its
# anchor is the start of /bin/true, for the cost of a process alone; the goal is in seconds. Both
# are timed as started straight from the shell, their peak memory taken in a second run.
# Prints the medians of ROUNDS rounds (the order of the two alternates) and the peak memory.
# Usage: scripts/bench-start.sh [build folder]   (env: FILES (10), ROUNDS, GOAL (0.04))
set -euo pipefail
source "$(dirname "$0")/bench-lib.sh"
bench_init start "${1:-}" unzip
files=${FILES:-10}
goal=${GOAL:-0.04}

bench_text_tree "$work/src" "$files" 100 1000
bench_home "$work/home" 0 "$(find "$work/src" -mindepth 1 -maxdepth 1 -type d)"
mkdir -p "$work/dest"
bench_ours "$work/home" "$work/dest" >/dev/null # the first run backs every file up
bench_check_zip "$work/dest" "$files"
archives=$(ls "$work/dest")

ours() { bench_ours "$work/home" "$work/dest" bench_measure_direct; }
theirs() { bench_measure_direct /bin/true; }
for ((round = 0; round < rounds; round++)); do
  bench_pair start "$round" ours theirs
  [ "$(ls "$work/dest")" = "$archives" ] || bench_fail "a run with nothing to do wrote an archive"
  ! grep -q "nothing was backed up" "$work/home/Common/error.log" 2>/dev/null ||
    bench_fail "the run found no source"
done

bench_header "unattended run, $files files all backed up before"
bench_report start "unattended run with nothing to do (s)" "/bin/true" "${goal}s"
