#!/usr/bin/env bash
# Times an unattended ZIP run of 10,000 small files into a folder against Info-ZIP
# "zip -r -6" of the same tree followed by "cp" of the archive, side by side in one run.
# Usage: scripts/bench-run.sh [build folder]   (default: build)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
program=$build/startup/quillaro
[ -x "$program" ] || { echo "build first: $program is missing" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/bench-run.XXXXXX")
trap 'rm -rf "$work"' EXIT
export QUILLARO_HOME=$work/home XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen
mkdir -p "$QUILLARO_HOME/program" "$QUILLARO_HOME/temp" "$work/dest-ours" "$work/dest-zip"

python3 - "$work" <<'PY'
import os, pwd, random, sys
root = sys.argv[1]
rnd = random.Random(7)
words = [''.join(rnd.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rnd.randint(2, 10)))
         for _ in range(4000)]
src = os.path.join(root, 'src')
for i in range(10000):
    d = os.path.join(src, 'dir%02d' % (i // 200))
    os.makedirs(d, exist_ok=True)
    size = rnd.randint(1, 20) * 1024
    text = ' '.join(rnd.choice(words) for _ in range(size // 5))[:size]
    with open(os.path.join(d, 'file%05d.txt' % i), 'w') as f:
        f.write(text)
home = os.path.join(root, 'home')
user = pwd.getpwuid(os.geteuid()).pw_name.strip().upper() or 'GUEST'
scope = 'Quillaro\\%s\\Standard\\Settings\\' % user
with open(os.path.join(home, 'settings.ini'), 'w') as f:
    f.write('[QEV]\n')
    for key, value in [('txtPathTemp', os.path.join(home, 'temp')), ('chkAppendArchive', '0'),
                       ('txtMaxZIPsize', '2000'), ('chkMaxFiles', '0'), ('chkWriteLog', '1')]:
        f.write(scope + key + '=' + value + '\n')
with open(os.path.join(home, 'program', 'Standard.pfl'), 'w') as f:
    for i in range(50):
        f.write(os.path.join(src, 'dir%02d' % i, '*.*') + '\n-1 \n')
PY

cat $(find "$work/src" -type f) >/dev/null # warm the cache for both
start=$(date +%s.%N)
"$program" /run /profile:Standard "/dir:$work/dest-ours" 2>/dev/null
ours=$(python3 -c "import time; print(time.time() - $start)")
start=$(date +%s.%N)
(cd "$work" && zip -q -r -6 "$work/izip.zip" src && cp "$work/izip.zip" "$work/dest-zip/")
theirs=$(python3 -c "import time; print(time.time() - $start)")

archive=$(ls "$work"/dest-ours/*.zip)
unzip -tqq "$archive" >/dev/null
entries=$(unzip -Z1 "$archive" | wc -l)
printf 'unattended run: %.2f s (%s entries)\nzip -r -6 + cp: %.2f s\nratio: %.2f\n' \
  "$ours" "$entries" "$theirs" "$(python3 -c "print($ours / max($theirs, 0.01))")"
