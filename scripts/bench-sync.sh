#!/usr/bin/env bash
# Times an unattended "File sync" run of the real program against `rsync -a` on the same trees,
# side by side: a first sync of FILES small files into an empty folder, then a second sync after
# CHANGED of them were changed. Prints the medians of ROUNDS rounds (the order of the two
# alternates), the ratios and the peak memory; both trees are compared with the source.
# Usage: scripts/bench-sync.sh [build folder]   (env: FILES, CHANGED, ROUNDS, SECOND_GOAL (1.5))
set -euo pipefail
source "$(dirname "$0")/bench-lib.sh"
bench_init sync "${1:-}" rsync
files=${FILES:-10000}
changed=${CHANGED:-100}

# FILES files of 100 to 4000 bytes in folders of 100, two levels deep.
/usr/bin/python3 - "$work/src" "$files" <<'EOF'
import os, random, sys
root, count = sys.argv[1], int(sys.argv[2])
random.seed(7)
for i in range(count):
    folder = os.path.join(root, "d%02d" % (i // 1000), "e%02d" % (i // 100 % 10))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "f%05d.dat" % i), "wb") as f:
        f.write(os.urandom(random.randint(100, 4000)))
EOF

ours() { bench_ours "$work/home" "$work/backup"; }
theirs() { bench_measure rsync -a "$work/src/" "$work/rsync/"; }

same_trees() { # contents and modification times agree
  diff -r "$work/src" "$1" >/dev/null &&
    [ "$(cd "$work/src" && find . -type f -printf '%P %T@\n' | sort)" = \
      "$(cd "$1" && find . -type f -printf '%P %T@\n' | sort)" ]
}

for ((round = 0; round < rounds; round++)); do
  bench_home "$work/home" 2 "" "txtSourceSync=$work/src" "txtDestinySync=$work/ours" \
    chkSyncSubDirs=1 chkSyncBothDirections=0
  rm -rf "$work/ours" "$work/rsync"
  mkdir -p "$work/ours" "$work/rsync"
  bench_warm "$work/src"
  bench_pair first "$round" ours theirs
  bench_change "$work/src" "$changed"
  bench_pair second "$round" ours theirs
  same_trees "$work/ours" || bench_fail "the synchronised tree differs from the source"
  same_trees "$work/rsync" || bench_fail "the rsync tree differs from the source"
done

bench_header "$files files of 100-4000 bytes, $changed changed for the second sync"
bench_report first "sync, first run of $files files" "rsync -a" -
bench_report second "sync, second run with $changed changes" "rsync -a" "${SECOND_GOAL:-1.5}"
