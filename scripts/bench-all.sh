#!/usr/bin/env bash
# Runs every side-by-side benchmark of the real program against its anchor and ends with one
# table: row, ours (s), anchor (s), ratio, goal, peak memory of both. QUICK=1 takes smaller sizes
# (and 3 rounds) to try the scripts; the figures worth keeping come from the full sizes.
# Usage: scripts/bench-all.sh [build folder]   (env: QUICK, ROUNDS)
set -euo pipefail
scripts=$(cd "$(dirname "$0")" && pwd)
build=${1:-$scripts/../build}
program=$build/startup/quillaro
[ -x "$program" ] || { echo "build first: $program is missing" >&2; exit 1; }
build=$(cd "$build" && pwd)
program=$build/startup/quillaro

if [ "${QUICK:-0}" = 1 ]; then
  export ROUNDS=${ROUNDS:-3}
  large=32 small=1000 tiny=10000 sync_files=1000 sync_changed=10 appended=(2000 8000)
  rows=(200 2000)
else
  export ROUNDS=${ROUNDS:-5}
  large=512 small=10000 tiny=100000 sync_files=10000 sync_changed=100 appended=(16000 70000)
  rows=(2000 20000)
fi
summary=$(mktemp "${TMPDIR:-/tmp}/bench-all.XXXXXX")
trap 'rm -f "$summary"' EXIT
export BENCH_SUMMARY=$summary

step() { # title, command...: runs one benchmark script, its own output shown as it goes
  echo
  echo "== $1"
  shift
  "$@"
}
# The rows of the speed goals first, each with the goal it has to meet.
step "ZIP run, small files; incremental run; file copy" \
  env FILES=$small MIN_KIB=1 MAX_KIB=20 ZIP_GOAL=0.2 INC_GOAL=1.2 COPY_GOAL=1.2 \
  bash "$scripts/bench-files.sh" "$build"
step "ZIP run, one large file given as a file row" \
  env TREE=large COUNT=1 SIZE=$large ROWS=files GOAL=0.25 bash "$scripts/bench-run.sh" "$build"
step "ZIP run, many tiny files" env FILES=$tiny MIN_KIB=0 MAX_KIB=2 PASSES=zip ZIP_GOAL=0.6 \
  bash "$scripts/bench-files.sh" "$build"
# Peak memory of that run against Info-ZIP's: at most the same.
IFS=$'\t' read -r _ _ _ _ _ _ om am < <(grep -P "^zip-$tiny\t" "$summary")
bench_summary() { (IFS=$'\t'; echo "$*") >>"$summary"; }
bench_summary "peak-$tiny" "peak memory of the ZIP run of $tiny files (MiB) vs Info-ZIP's" "$om" "$am" \
  "$(awk -v a="$om" -v b="$am" 'BEGIN { printf "%.2f", a / b }')" 1.0 - -
step "sync" env FILES=$sync_files CHANGED=$sync_changed SECOND_GOAL=1.2 \
  bash "$scripts/bench-sync.sh" "$build"
step "unattended run with nothing to do" env GOAL=0.04 bash "$scripts/bench-start.sh" "$build"
# The other rows.
step "ZIP run, large files" env TREE=large COUNT=4 SIZE=$large bash "$scripts/bench-run.sh" "$build"
step "ZIP run, encrypted" \
  env TREE=small FILES=$small ENCRYPT=1 bash "$scripts/bench-run.sh" "$build"
step "appending run against the first run of the day" \
  env COUNTS="${appended[*]}" ROUNDS=$((ROUNDS < 3 ? ROUNDS : 3)) bash "$scripts/bench-append.sh" "$build"
step "profile load" env SMALL="${rows[0]}" LARGE="${rows[1]}" bash "$scripts/bench-load.sh" "$build"
window=$scripts/bench-window.sh
[ ! -f "$window" ] ||
  step "the window's run against the unattended run" env FILES=$small bash "$window" "$build"

# The rows of the goals in the order of their table, then the others.
order=("zip-$small" run-large-filerow "zip-$tiny" "peak-$tiny" incremental second copy start
  - run-large "memory-$small" "memory-$tiny" run-small-encrypted first "append-${appended[0]}"
  "append-${appended[1]}" load window)
echo
echo "== summary: $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC'), $program" \
  "built $(date -u -r "$program" '+%Y-%m-%d %H:%M UTC')"
echo "   paired medians of $ROUNDS rounds on a shared machine: read the ratios, not the seconds"
line='%-76s %9s %9s %7s %5s %10s %10s\n'
printf "$line" row "ours s" "anchor s" ratio goal "our peak" "its peak"
for key in "${order[@]}"; do
  if [ "$key" = - ]; then
    echo "-- other rows"
    continue
  fi
  row=
  IFS=$'\t' read -r _ row ours anchor ratio goal om am < <(grep -P "^\Q$key\E\t" "$summary") || true
  if [ -n "$row" ]; then
    [ "$om" = - ] && peaks=("" "") || peaks=("$om MiB" "$am MiB")
    printf "$line" "$row" "$(printf %.3f "$ours")" "$(printf %.3f "$anchor")" "${ratio}x" "$goal" \
      "${peaks[@]}"
  elif [ "$key" = window ]; then
    [ -f "$window" ] && row="see its output above" || row="not measured: no scripts/bench-window.sh"
    printf '%-76s %s\n' "the window's run vs the same run unattended" "$row"
  fi
done
