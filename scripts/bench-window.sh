#!/usr/bin/env bash
# The cost of the window: the same ZIP run of FILES files carried out from the shown main window
# and as the unattended run does, each in a fresh program home, the order alternating between
# ROUNDS rounds. Times the run alone (start-up left out, see tests/ui/bench_window.cpp), prints
# the medians and the ratio window / unattended (goal: 1.10). Every archive is checked.
# Usage: scripts/bench-window.sh [build folder]
#   env: FILES (10000), MIN_KIB (1), MAX_KIB (20), ROUNDS (5),
#        XVFB (a display number: the window is shown on an Xvfb of its own there; default offscreen)
set -euo pipefail
source "$(dirname "$0")/bench-lib.sh"
bench_init window "${1:-}" unzip
cmake --build "$build" -j3 --target bench_window >/dev/null
driver=$build/tests/ui/bench_window
files=${FILES:-10000}
min_kib=${MIN_KIB:-1}
max_kib=${MAX_KIB:-20}

shown=offscreen
platform=(QT_QPA_PLATFORM=offscreen)
if [ -n "${XVFB:-}" ]; then
  bench_need Xvfb
  Xvfb ":$XVFB" -screen 0 1024x768x24 >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$XVFB" ] && break; sleep 0.1; done
  shown="Xvfb :$XVFB"
  platform=(QT_QPA_PLATFORM=xcb "DISPLAY=:$XVFB")
fi

bench_text_tree "$work/src" "$files" $((min_kib * 1024)) $((max_kib * 1024))
folders=$(find "$work/src" -mindepth 1 -maxdepth 1 -type d | sort)

# One run in a fresh home (every file new to it); prints "seconds peak-KiB" of the run.
run() { # window|unattended
  local home=$work/home-$1 dest=$work/dest-$1 out
  bench_home "$home" 0 "$folders" optNewOnly=0 optComplete=-1 chkSound=0
  rm -rf "$dest" && mkdir -p "$dest"
  out=$(env QUILLARO_HOME="$home" "${platform[@]}" /usr/bin/time -f %M -o "$work/rss" \
    "$driver" "$1" "$dest" 2>"$work/stderr") || { cat "$work/stderr" >&2; bench_fail "the $1 run did not start"; }
  set -- "$1" $out
  [ "$3" = 0 ] || bench_fail "the $1 run ended with exit code $3"
  bench_check_zip "$dest" "$files"
  awk -v ms="$2" -v r="$(tail -n 1 "$work/rss")" 'BEGIN { printf "%.4f %d\n", ms / 1000, r }'
}
from_window() { run window; }
unattended() { run unattended; }

bench_warm "$work/src"
for ((round = 0; round < rounds; round++)); do
  bench_pair window "$round" from_window unattended
done
bench_header "$files files of $min_kib-$max_kib KiB, the window $shown"
bench_report window "ZIP run from the window ($files files)" "the same run unattended" 1.10
