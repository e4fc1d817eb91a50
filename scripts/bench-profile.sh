#!/usr/bin/env bash
# Where the time of an unattended run goes: for a ZIP run of 10,000 files of 1-20 KiB, a ZIP run
# of 100,000 files of 0-2 KiB and an incremental second run after 1% of 10,000 files changed,
# prints the system calls that took the most time (strace -c -f, full tree) and the functions
# that cost the most instructions (callgrind, on a tree a fifth of the size: it runs some fifty
# times slower). perf is not used: virtual machines often give it no hardware counters.
# Usage: scripts/bench-profile.sh [build folder]
#   env: SCALE (5), TOP (12), CASES ("zip-small zip-tiny incremental"), SMALL (10000), TINY (100000)
set -euo pipefail
source "$(dirname "$0")/bench-lib.sh"
bench_init profile "${1:-}" strace valgrind callgrind_annotate
scale=${SCALE:-5}
top=${TOP:-12}
cases=${CASES:-zip-small zip-tiny incremental}

# label, tool command (before the program's arguments), home, destination
profiled() {
  local label=$1 home=$3 dest=$4
  read -ra tool <<<"$2"
  mkdir -p "$dest"
  QUILLARO_HOME=$home "${tool[@]}" "$program" /run /profile:Standard "/dir:$dest" >/dev/null 2>&1 ||
    bench_fail "$label: the run ended with $?"
}

syscalls() { # label, home, destination
  profiled "$1" "strace -c -f -S calls -o $work/strace" "$2" "$3"
  echo "-- $1: system calls by count (strace -c -f)"
  awk 'NR <= 2 || /^-/ { next } { print }' "$work/strace" | first "$top"
  tail -n 1 "$work/strace"
}

functions() { # label, home, destination
  profiled "$1" "valgrind -q --tool=callgrind --callgrind-out-file=$work/callgrind" "$2" "$3"
  echo "-- $1: functions by own instructions (callgrind)"
  annotate no . | first "$top"
  echo "-- $1: the program's own functions by instructions with what they call"
  annotate yes 'TOTALS\|^ *[0-9,]* ([ 0-9.%]*)  [^?].*\[quillaro\]$' | first $((top * 2))
  rm -f "$work/callgrind"
}

# lines: the first of its input, read to the end, so that nothing before it dies of a closed pipe
first() { awk -v n="$1" 'NR <= n'; }

annotate() { # inclusive (yes or no), lines to keep: the function lines of the profile
  callgrind_annotate --auto=no --threshold=100 --inclusive="$1" "$work/callgrind" 2>/dev/null |
    awk '/PROGRAM TOTALS/ { print; next } /file:function/ { list = 1; getline; next } list && NF' |
    sed -e 's|\[/[^]]*/\([^]/]*\)\]$|[\1]|' | grep -e "$2" |
    sed -E 's#^( *[0-9,]+ \([^)]*\)  )[^ ]*/([^/ ]+:)#\1\2#' | cut -c1-170
}

tree() { # folder, files, smallest and largest bytes: prints its folders
  bench_text_tree "$1" "$2" "$3" "$4"
  find "$1" -mindepth 1 -maxdepth 1 -type d | sort
}

zip_case() { # label, files, smallest and largest bytes
  local folders
  folders=$(tree "$work/src-$1" "$2" "$3" "$4")
  bench_warm "$work/src-$1"
  bench_home "$work/home" 0 "$folders"
  syscalls "ZIP run, $2 files of $3-$4 bytes" "$work/home" "$work/dest-$1-a"
  folders=$(tree "$work/small-$1" $(($2 / scale)) "$3" "$4")
  bench_home "$work/home" 0 "$folders"
  functions "ZIP run, $(($2 / scale)) files of $3-$4 bytes" "$work/home" "$work/dest-$1-b"
  rm -rf "$work/src-$1" "$work/small-$1" "$work"/dest-*
}

incremental_case() { # files: a first run, 1% changed, the second run profiled
  local run folders
  for run in syscalls functions; do
    rm -rf "$work/src-inc" "$work"/dest-*
    folders=$(tree "$work/src-inc" "$1" 1024 $((20 << 10)))
    bench_home "$work/home" 0 "$folders"
    profiled "first run" "" "$work/home" "$work/dest-first"
    bench_change "$work/src-inc" $(($1 / 100))
    bench_warm "$work/src-inc"
    "$run" "incremental run, 1% of $1 files changed" "$work/home" "$work/dest-second"
  done
}

echo "$(nproc) cores; $program built $(date -u -r "$program" '+%Y-%m-%d %H:%M UTC')"
for c in $cases; do
  case $c in
  zip-small) zip_case small "${SMALL:-10000}" 1024 $((20 << 10)) ;;
  zip-tiny) zip_case tiny "${TINY:-100000}" 0 2048 ;;
  incremental) incremental_case "${SMALL:-10000}" ;;
  *) bench_fail "no case $c" ;;
  esac
done
