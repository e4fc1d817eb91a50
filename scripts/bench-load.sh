#!/usr/bin/env bash
# Times loading a profile whose source list holds 2,000 and then 20,000 rows into the real
# window, offscreen, with a home of its own, and prints each time, its cost per row, and the
# larger load against ten times the smaller: a load that grows linearly stays near 1.
# Usage: scripts/bench-load.sh [build folder]   (default: build; env: SMALL, LARGE)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
small=${SMALL:-2000}
large=${LARGE:-20000}
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j3 --target bench_load >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/bench-load.XXXXXX")
trap 'rm -rf "$work"' EXIT

load_ms() { # rows: the milliseconds of one load
  local line
  rm -rf "$work/home" && mkdir -p "$work/home"
  line=$(env -u DISPLAY -u WAYLAND_DISPLAY QUILLARO_HOME="$work/home" HOME="$work/home" \
    XDG_CONFIG_HOME="$work/home/config" QT_QPA_PLATFORM=offscreen "$build/tests/ui/bench_load" "$1")
  echo "profile load: $line" >&2
  line=${line##* in }
  echo "${line% ms}"
}

a=$(load_ms "$small")
b=$(load_ms "$large")
awk -v a="$a" -v b="$b" -v s="$small" -v l="$large" 'BEGIN {
  printf "%d rows: %.1f us per row; %d rows: %.1f us per row\n", s, a * 1000 / s, l, b * 1000 / l
  printf "%d rows against %d times %d rows: %.2fx (linear: 1)\n", l, l / s, s, b / (a * l / s)
}'
[ -z "${BENCH_SUMMARY:-}" ] || awk -v a="$a" -v b="$b" -v s="$small" -v l="$large" 'BEGIN {
  printf "load\tprofile load of %d rows vs %d times that of %d\t%.3f\t%.3f\t%.2f\t2.0\t-\t-\n",
    l, l / s, s, b / 1000, a * l / s / 1000, b / (a * l / s) }' >>"$BENCH_SUMMARY"
