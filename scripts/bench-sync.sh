#!/usr/bin/env bash
# Times the folder synchronisation against `rsync -a` on the same trees, side by side:
# a first sync of FILES small files into an empty folder, then a second sync after CHANGED of
# them were changed. Prints the median of ROUNDS rounds (the order of the two alternates).
# Usage: scripts/bench-sync.sh [build folder]   (env: FILES, CHANGED, ROUNDS)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
files=${FILES:-10000}
changed=${CHANGED:-100}
rounds=${ROUNDS:-5}

if ! command -v rsync >/dev/null; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends rsync >/dev/null
fi
[ -d "$build" ] || cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j4 --target bench_sync >/dev/null
bench="$build/tests/engine/bench_sync"

work=$(mktemp -d "${TMPDIR:-/tmp}/bench-sync.XXXXXX")
trap 'rm -rf "$work"' EXIT
export QUILLARO_HOME="$work/home"
mkdir -p "$QUILLARO_HOME"

# FILES files of 100 to 4000 bytes in folders of 100, two levels deep.
python3 - "$work/src" "$files" <<'EOF'
import os, random, sys
root, count = sys.argv[1], int(sys.argv[2])
random.seed(7)
for i in range(count):
    folder = os.path.join(root, "d%02d" % (i // 1000), "e%02d" % (i // 100 % 10))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "f%05d.dat" % i), "wb") as f:
        f.write(os.urandom(random.randint(100, 4000)))
EOF

seconds() { # runs a command, prints its wall time in seconds
  local t0 t1
  t0=$(date +%s.%N)
  "$@" >/dev/null || { echo "bench-sync: $* failed" >&2; exit 1; }
  t1=$(date +%s.%N)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f\n", b - a }'
}
ours() { "$bench" "$work/src" "$1"; }
theirs() { rsync -a "$work/src/" "$1/"; }

change_some() { # appends to CHANGED files spread over the tree
  find "$work/src" -type f | sort | awk -v n="$changed" -v t="$files" 'NR % int(t / n) == 0' |
    head -n "$changed" | while read -r f; do printf 'changed' >>"$f"; done
}

same_trees() { # contents and modification times agree
  diff -r "$work/src" "$1" >/dev/null &&
    [ "$(cd "$work/src" && find . -type f -printf '%P %T@\n' | sort)" = \
      "$(cd "$1" && find . -type f -printf '%P %T@\n' | sort)" ]
}

declare -a o1 r1 o2 r2
for ((round = 0; round < rounds; round++)); do
  rm -rf "$work/ours" "$work/rsync"
  mkdir -p "$work/ours" "$work/rsync"
  sync # the trees of the last round are on disk, not in the writer's queue
  if ((round % 2 == 0)); then
    o1+=("$(seconds ours "$work/ours")"); r1+=("$(seconds theirs "$work/rsync")")
  else
    r1+=("$(seconds theirs "$work/rsync")"); o1+=("$(seconds ours "$work/ours")")
  fi
  change_some
  sync
  if ((round % 2 == 0)); then
    o2+=("$(seconds ours "$work/ours")"); r2+=("$(seconds theirs "$work/rsync")")
  else
    r2+=("$(seconds theirs "$work/rsync")"); o2+=("$(seconds ours "$work/ours")")
  fi
  same_trees "$work/ours" || { echo "bench-sync: the synchronised tree differs from the source" >&2; exit 1; }
  same_trees "$work/rsync" || { echo "bench-sync: the rsync tree differs from the source" >&2; exit 1; }
done

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
report() { # label, ours, rsync
  printf '%-34s %8.3f s %8.3f s %6.2f\n' "$1" "$2" "$3" "$(awk -v a="$2" -v b="$3" 'BEGIN { print a / b }')"
}
printf '%-34s %10s %10s %6s\n' "median of $rounds rounds" "quillaro" "rsync -a" "ratio"
report "first sync, $files files" "$(median "${o1[@]}")" "$(median "${r1[@]}")"
report "second sync, $changed changed" "$(median "${o2[@]}")" "$(median "${r2[@]}")"
