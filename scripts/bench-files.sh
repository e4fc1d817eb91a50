#!/usr/bin/env bash
# The cost per file of the real program, run unattended, against the usual tools on the same
# tree, side by side: a ZIP run against "zip -r -6" + "cp", an incremental second run after
# CHANGED_PCT per cent of the files changed against "rsync -a" of the same change, and a file
# copy with structure against "cp -a". The order of the two alternates between rounds; prints
# medians, each ratio and the peak memory of both, and the memory per file of both (a ZIP run of
# a tenth of the tree against the whole). Outputs are checked.
# Usage: scripts/bench-files.sh [build folder]
#   env: FILES (10000), MIN_KIB (1), MAX_KIB (20), CHANGED_PCT (1), ROUNDS (5),
#        PASSES ("zip incremental copy": which rows to time), ZIP_GOAL (0.5), INC_GOAL (1.5),
#        COPY_GOAL (1.5)
#   e.g. FILES=100000 MIN_KIB=0 MAX_KIB=2 PASSES=zip ZIP_GOAL=1.0 for many tiny files.
set -euo pipefail
source "$(dirname "$0")/bench-lib.sh"
bench_init files "${1:-}" zip unzip rsync
files=${FILES:-10000}
min_kib=${MIN_KIB:-1}
max_kib=${MAX_KIB:-20}
changed_pct=${CHANGED_PCT:-1}
passes=${PASSES:-zip incremental copy}
zip_goal=${ZIP_GOAL:-0.5}
tree="$files files of $min_kib-$max_kib KiB"

bench_text_tree "$work/src" "$files" $((min_kib * 1024)) $((max_kib * 1024))
folders=$(find "$work/src" -mindepth 1 -maxdepth 1 -type d | sort)
changed=$((files * changed_pct / 100))
pack='zip -q -r -6'

zip_ours() { bench_ours "$work/home" "$work/dest-ours"; }
zip_anchor() { (cd "$work" && bench_measure sh -c "$pack izip.zip src && cp izip.zip dest-zip/"); }
inc_ours() { bench_ours "$work/home" "$work/dest-incr"; }
inc_anchor() { bench_measure rsync -a "$work/src/" "$work/mirror/"; }
copy_ours() { bench_ours "$work/home" "$work/dest-copy"; }
copy_anchor() { bench_measure cp -a "$work/src" "$work/dest-cp/"; }
fresh() { # folders...: empty
  rm -rf "$@"
  mkdir -p "$@"
}
wants() { [[ " $passes " == *" $1 "* ]]; }

for ((round = 0; round < rounds; round++)); do
  bench_warm "$work/src"
  # ZIP run of the whole tree.
  bench_home "$work/home" 0 "$folders"
  fresh "$work/dest-ours" "$work/dest-zip"
  rm -f "$work/izip.zip"
  bench_pair zip "$round" zip_ours zip_anchor
  bench_check_zip "$work/dest-ours" "$files"
  unzip -tqq "$work/dest-zip/izip.zip" >/dev/null || bench_fail "zip's archive fails unzip -t"
  # Incremental second run after a change, against rsync of the same change to a mirror.
  if wants incremental; then
    rsync -a "$work/src/" "$work/mirror/"
    fresh "$work/dest-incr"
    bench_change "$work/src" "$changed"
    bench_pair incremental "$round" inc_ours inc_anchor
    bench_check_zip "$work/dest-incr" "$changed"
    diff -r "$work/src" "$work/mirror" >/dev/null || bench_fail "the rsync mirror differs"
  fi
  # File copy with structure.
  if wants copy; then
    bench_home "$work/home" 1 "$folders"
    fresh "$work/dest-copy" "$work/dest-cp"
    bench_pair copy "$round" copy_ours copy_anchor
    diff -r "$work/src" "$work/dest-copy$work/src" >/dev/null || bench_fail "the copy differs"
    diff -r "$work/src" "$work/dest-cp/src" >/dev/null || bench_fail "cp's copy differs"
  fi
done

# Memory against the number of files: ZIP runs of a tenth of the folders, and the growth from
# there to the whole tree, per file, of both.
tenth=$(head -n $((($(wc -l <<<"$folders") + 9) / 10)) <<<"$folders")
tenth_files=$(find $tenth -type f | wc -l)
mkdir -p "$work/tenth"
for folder in $tenth; do ln -s "$folder" "$work/tenth/"; done
tenth_ours() { bench_ours "$work/home" "$work/dest-ours"; }
tenth_anchor() {
  (cd "$work/tenth" && bench_measure sh -c "$pack ../izip.zip . && cp ../izip.zip ../dest-zip/")
}
for ((round = 0; round < (rounds + 1) / 2; round++)); do
  bench_home "$work/home" 0 "$tenth"
  fresh "$work/dest-ours" "$work/dest-zip"
  rm -f "$work/izip.zip"
  bench_pair tenth "$round" tenth_ours tenth_anchor
  bench_check_zip "$work/dest-ours" "$tenth_files"
done

per_file() { # median KiB of the tenth, of the whole tree: KiB more per file
  awk -v a="$1" -v b="$2" -v n="$tenth_files" -v f="$files" \
    'BEGIN { printf "%.3f", (b - a) / (f - n) }'
}

bench_header "$tree"
bench_report zip "ZIP run, $tree" "zip -r -6 + cp" "$zip_goal" "zip-$files"
if wants incremental; then
  bench_report incremental "incremental run, $changed_pct% changed" "rsync -a of the change" "${INC_GOAL:-1.5}"
fi
if wants copy; then
  bench_report copy "file copy with structure, $files files" "cp -a" "${COPY_GOAL:-1.5}"
fi
growth() { # name of an array of peaks: KiB more per file from the tenth to the whole tree
  local -n peaks=$1
  per_file "$(bench_median ${peaks[tenth]})" "$(bench_median ${peaks[zip]})"
}
ours_pf=$(growth BENCH_M_OURS)
zip_pf=$(growth BENCH_M_ANCHOR)
printf 'memory of a ZIP run, %d files against %d: %s KiB more per file; Info-ZIP: %s KiB\n' \
  "$files" "$tenth_files" "$ours_pf" "$zip_pf"
bench_summary "memory-$files" "memory per file of a ZIP run, $files files, KiB vs Info-ZIP" \
  "$ours_pf" "$zip_pf" "$(bench_ratio "$ours_pf" "$zip_pf")" 1.0 - -
