#!/usr/bin/env bash
# Times adding a subtree of 10,000 folders (100 folders of 99 subfolders each, plus the root) to
# the source list of the real window, offscreen, then adding it again when every row is there.
# Usage: scripts/bench-sources.sh [build folder]   (default: build)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j3 --target bench_sources >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/bench-sources.XXXXXX")
trap 'rm -rf "$work"' EXIT
for i in $(seq -w 1 100); do
  mkdir -p "$work/tree/d$i"
  (cd "$work/tree/d$i" && mkdir $(seq -f 's%02g' 1 99))
done
echo "folders: $(find "$work/tree" -type d | wc -l)"

mkdir -p "$work/home"
QUILLARO_HOME="$work/home" HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" \
  QT_QPA_PLATFORM=offscreen "$build/tests/ui/bench_sources" "$work/tree"
