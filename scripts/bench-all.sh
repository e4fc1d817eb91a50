#!/usr/bin/env bash
# Runs every side-by-side benchmark of the real program against its anchor and ends with one
# table: row, ours (s), anchor (s), ratio, goal, peak memory of both. QUICK=1 takes smaller sizes
# (and 3 rounds) to try the scripts; the figures worth keeping come from the full sizes.
# Usage: scripts/bench-all.sh [build folder]   (env: QUICK, ROUNDS)
set -euo pipefail
scripts=$(cd "$(dirname "$0")" && pwd)
build=${1:-$scripts/../build}
[ -x "$build/startup/quillaro" ] || { echo "build first: $build/startup/quillaro is missing" >&2; exit 1; }
build=$(cd "$build" && pwd)

if [ "${QUICK:-0}" = 1 ]; then
  export ROUNDS=${ROUNDS:-3}
  large=32 small=1000 tiny=10000 sync_files=1000 sync_changed=10
else
  export ROUNDS=${ROUNDS:-5}
  large=512 small=10000 tiny=100000 sync_files=10000 sync_changed=100
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
step "ZIP run, large files" env TREE=large COUNT=4 SIZE=$large bash "$scripts/bench-run.sh" "$build"
step "ZIP run, incremental run and file copy, small files" \
  env FILES=$small MIN_KIB=1 MAX_KIB=20 ZIP_GOAL=0.5 bash "$scripts/bench-files.sh" "$build"
step "ZIP run, many tiny files" \
  env FILES=$tiny MIN_KIB=0 MAX_KIB=2 PASSES=zip ZIP_GOAL=1.0 bash "$scripts/bench-files.sh" "$build"
step "ZIP run, encrypted" env TREE=small FILES=$small ENCRYPT=1 bash "$scripts/bench-run.sh" "$build"
step "sync" env FILES=$sync_files CHANGED=$sync_changed bash "$scripts/bench-sync.sh" "$build"
if [ -f "$scripts/bench-window.sh" ]; then
  step "the window's run against the same run unattended" bash "$scripts/bench-window.sh" "$build"
fi

# The rows in the order of the table of the work they measure.
order=(run-large "zip-$small" "memory-$small" "zip-$tiny" "memory-$tiny" run-small-encrypted incremental copy first
  second window)
echo
echo "== summary: $(nproc) cores, $(date -u '+%Y-%m-%d %H:%M UTC'), commit" \
  "$(git -C "$scripts" rev-parse --short HEAD 2>/dev/null || echo unknown)"
echo "   paired medians of $ROUNDS rounds on a shared machine: read the ratios, not the seconds"
printf '%-76s %9s %9s %7s %5s %10s %10s\n' row "ours s" "anchor s" ratio goal "our peak" "its peak"
for key in "${order[@]}"; do
  IFS=$'\t' read -r _ row ours anchor ratio goal om am < <(grep -P "^\Q$key\E\t" "$summary" || true) || true
  if [ -z "${row:-}" ]; then
    [ "$key" = window ] && printf '%-76s %s\n' "the window's run vs the same run unattended" \
      "$([ -f "$scripts/bench-window.sh" ] && echo "see its output above" || echo "not measured: no scripts/bench-window.sh")"
    continue
  fi
  [ "$om" = - ] && peaks=("" "") || peaks=("$om MiB" "$am MiB")
  printf '%-76s %9.3f %9.3f %6sx %5s %10s %10s\n' "$row" "$ours" "$anchor" "$ratio" "$goal" "${peaks[@]}"
  row=
done
