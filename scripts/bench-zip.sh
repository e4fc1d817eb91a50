#!/usr/bin/env bash
# Times the archive class against Info-ZIP "zip -r -6" on the same files, side by side:
# 10,000 small files (1-20 KiB) and, separately, four 256 MiB files. Prints seconds, peak
# memory and the ratio (the class should stay at or below 1.5 times zip's time).
# Usage: scripts/bench-zip.sh [build folder]   (default: build)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
tool=$build/tests/platform/bench_zip
[ -x "$tool" ] || { echo "build first: $tool is missing" >&2; exit 1; }
command -v zip >/dev/null || { echo "Info-ZIP zip is missing" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/bench-zip.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Text-like data (words, numbers, line ends) that packs about as well as ordinary documents.
python3 - "$work" <<'PY'
import os, random, sys
root = sys.argv[1]
rnd = random.Random(42)
words = [''.join(rnd.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rnd.randint(2, 10)))
         for _ in range(5000)]
def text(size):
    out, n = [], 0
    while n < size:
        line = ' '.join(rnd.choice(words) for _ in range(rnd.randint(3, 14)))
        line += ' %d\n' % rnd.randint(0, 10**6)
        out.append(line); n += len(line)
    return ''.join(out)[:size].encode()
small = os.path.join(root, 'small')
for i in range(10000):
    d = os.path.join(small, 'dir%02d' % (i // 200))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, 'file%05d.txt' % i), 'wb') as f:
        f.write(text(rnd.randint(1, 20) * 1024))
large = os.path.join(root, 'large')
os.makedirs(large)
block = text(4 << 20)
for i in range(4):
    with open(os.path.join(large, 'big%d.dat' % i), 'wb') as f:
        for j in range(64):
            # Each 4 MiB block shifted, so that no file repeats another.
            k = (i * 64 + j) * 7919 % len(block)
            f.write(block[k:] + block[:k])
PY

measure() { # label, command...: prints "seconds peak-KiB"
  local label=$1; shift
  /usr/bin/time -f "%e %M" -o "$work/time.$label" "$@" >/dev/null
  cat "$work/time.$label"
}

for set in small large; do
  cat $(find "$work/$set" -type f) >/dev/null # warm the cache for both
  rm -f "$work/izip.zip" "$work/ours.zip"
  read -r zt zm < <(cd "$work" && measure izip zip -q -r -6 "$work/izip.zip" "$set")
  read -r qt qm < <(measure ours "$tool" "$work/ours.zip" 6 "$work/$set")
  unzip -tqq "$work/ours.zip" >/dev/null
  ratio=$(python3 -c "print('%.2f' % ($qt / max($zt, 0.01)))")
  printf '%-6s zip -r -6: %6.2f s %7d KiB %11d bytes | ZipArchive: %6.2f s %7d KiB %11d bytes | ratio %s\n' \
    "$set" "$zt" "$zm" "$(stat -c %s "$work/izip.zip")" "$qt" "$qm" "$(stat -c %s "$work/ours.zip")" "$ratio"
done
