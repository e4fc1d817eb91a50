#!/usr/bin/env bash
# The cost per file of the real program, run unattended, against the usual tools on the same
# tree, side by side: a ZIP run against "zip -r -6" + "cp", an incremental second run after
# CHANGED_PCT per cent of the files changed against "rsync -a" of the same change, and a file
# copy with structure against "cp -a". The order of the two alternates between rounds; prints
# medians, each ratio and the peak memory of both (and ours per file). Outputs are checked.
# Usage: scripts/bench-files.sh [build folder]
#   env: FILES (10000), MIN_KIB (1), MAX_KIB (20), CHANGED_PCT (1), ROUNDS (5)
#   e.g. FILES=100000 MIN_KIB=0 MAX_KIB=2 for many tiny files.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
program=$build/startup/quillaro
[ -x "$program" ] || { echo "build first: $program is missing" >&2; exit 1; }
files=${FILES:-10000}
min_kib=${MIN_KIB:-1}
max_kib=${MAX_KIB:-20}
changed_pct=${CHANGED_PCT:-1}
rounds=${ROUNDS:-5}
for tool in zip unzip rsync /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "bench-files: $tool is missing: apt-get install it" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/bench-files.XXXXXX")
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen
unset DISPLAY

# FILES text files of MIN_KIB to MAX_KIB KiB in folders of 200.
/usr/bin/python3 - "$work/src" "$files" "$min_kib" "$max_kib" <<'PY'
import os, random, sys
root, count, lo, hi = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
rnd = random.Random(7)
words = [''.join(rnd.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rnd.randint(2, 10)))
         for _ in range(4000)]
for i in range(count):
    d = os.path.join(root, 'dir%03d' % (i // 200))
    os.makedirs(d, exist_ok=True)
    size = rnd.randint(lo * 1024, hi * 1024)
    text = ' '.join(rnd.choice(words) for _ in range(size // 5 + 1))[:size]
    with open(os.path.join(d, 'file%06d.txt' % i), 'w') as f:
        f.write(text)
PY
folders=$(find "$work/src" -mindepth 1 -maxdepth 1 -type d | sort)

# A fresh program home whose Standard profile takes the folders ($3..., else every folder);
# $2 is the mode (0 ZIP, 1 copy).
make_home() {
  local home=$1 mode=$2
  shift 2
  rm -rf "$home"
  mkdir -p "$home/program" "$home/temp"
  /usr/bin/python3 - "$home" "$mode" ${@:-$folders} <<'PY'
import os, pwd, sys
home, mode, folders = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
user = pwd.getpwuid(os.geteuid()).pw_name.strip().upper() or 'GUEST'
scope = 'Quillaro\\%s\\Standard\\Settings\\' % user
keys = [('txtPathTemp', os.path.join(home, 'temp')), ('chkAppendArchive', '0'),
        ('txtMaxZIPsize', '4000'), ('chkMaxFiles', '0'), ('chkWriteLog', '1'),
        ('chkInclSubDirStruct', '1'), ('chkResetArchiveBit', '1'),
        ('optNewOnly', '-1'), ('optComplete', '0'), ('optCompleteNoFilter', '0')]
keys += [('optBuMode%d' % i, '-1' if i == mode else '0') for i in range(3)]
with open(os.path.join(home, 'settings.ini'), 'w') as f:
    f.write('[QEV]\n')
    for key, value in keys:
        f.write(scope + key + '=' + value + '\n')
with open(os.path.join(home, 'program', 'Standard.pfl'), 'w') as f:
    for folder in folders:
        f.write(os.path.join(folder, '*.*') + '\n-1 \n')
PY
}

# Runs a command with its own HOME and XDG folders; prints "seconds peak-KiB".
measure() {
  local t0 t1 rss
  t0=$(date +%s.%N)
  HOME=$work/userhome XDG_CONFIG_HOME=$work/userhome/.config XDG_DATA_HOME=$work/userhome/.local \
    /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null 2>"$work/stderr" ||
    { echo "bench-files: $* failed ($?)" >&2; cat "$work/stderr" >&2; exit 1; }
  t1=$(date +%s.%N)
  rss=$(tail -n 1 "$work/rss")
  awk -v a="$t0" -v b="$t1" -v r="$rss" 'BEGIN { printf "%.4f %d\n", b - a, r }'
}
ours() { QUILLARO_HOME=$1 measure "$program" /run /profile:Standard "/dir:$2"; }

check_zip() { # archive folder, expected entries
  local archive entries
  archive=$(ls "$1"/*.zip | head -n 1)
  unzip -tqq "$archive" >/dev/null || { echo "bench-files: $archive fails unzip -t" >&2; exit 1; }
  entries=$(unzip -Z1 "$archive" | grep -vc '/$' || true)
  [ "$entries" -eq "$2" ] || { echo "bench-files: $archive holds $entries files, not $2" >&2; exit 1; }
}

change_some() { # appends to CHANGED_PCT per cent of the files; prints how many
  find "$work/src" -type f | sort | awk -v p="$changed_pct" 'NR % int(100 / p) == 0' >"$work/changed"
  while read -r f; do printf ' changed' >>"$f"; done <"$work/changed"
  wc -l <"$work/changed"
}

declare -a oz tz ozm tzm oi ti oim tim oc tc ocm tcm
first_of() { echo "$1"; }
second_of() { echo "$2"; }
pair() { # name-of-ours-array name-of-theirs-array round ours-command theirs-command
  local -n o=$1 om=$2 t=$3 tm=$4
  local r a b
  if (($5 % 2 == 0)); then a=$($6); b=$($7); else b=$($7); a=$($6); fi
  o+=("$(first_of $a)"); om+=("$(second_of $a)")
  t+=("$(first_of $b)"); tm+=("$(second_of $b)")
}

for ((round = 0; round < rounds; round++)); do
  cat $(find "$work/src" -type f) >/dev/null # warm the cache for both
  # ZIP run of the whole tree.
  make_home "$work/home" 0
  rm -rf "$work/dest-ours" "$work/dest-zip" "$work/izip.zip" "$work/mirror"
  mkdir -p "$work/dest-ours" "$work/dest-zip"
  zip_ours() { ours "$work/home" "$work/dest-ours"; }
  zip_theirs() { (cd "$work" && measure sh -c 'zip -q -r -6 izip.zip src && cp izip.zip dest-zip/'); }
  sync
  pair oz ozm tz tzm "$round" zip_ours zip_theirs
  check_zip "$work/dest-ours" "$files"
  # Incremental second run after a change, against rsync of the same change to a mirror.
  rsync -a "$work/src/" "$work/mirror/"
  mkdir -p "$work/dest-incr"
  rm -rf "$work/dest-incr"/*
  n=$(change_some)
  inc_ours() { ours "$work/home" "$work/dest-incr"; }
  inc_theirs() { measure rsync -a "$work/src/" "$work/mirror/"; }
  sync
  pair oi oim ti tim "$round" inc_ours inc_theirs
  check_zip "$work/dest-incr" "$n"
  diff -r "$work/src" "$work/mirror" >/dev/null || { echo "bench-files: the rsync mirror differs" >&2; exit 1; }
  # File copy with structure.
  make_home "$work/home" 1
  rm -rf "$work/dest-copy" "$work/dest-cp"
  mkdir -p "$work/dest-copy" "$work/dest-cp"
  copy_ours() { ours "$work/home" "$work/dest-copy"; }
  copy_theirs() { measure cp -a "$work/src" "$work/dest-cp/"; }
  sync
  pair oc ocm tc tcm "$round" copy_ours copy_theirs
  diff -r "$work/src" "$work/dest-copy$work/src" >/dev/null ||
    { echo "bench-files: the copy differs from the source" >&2; exit 1; }
done

# Memory against the number of files: a ZIP run of a tenth of the folders against the whole tree.
tenth=$(echo "$folders" | head -n $(( ($(echo "$folders" | wc -l) + 9) / 10 )))
tenth_files=$(find $tenth -type f | wc -l)
make_home "$work/home" 0 $tenth
rm -rf "$work/dest-ours" && mkdir -p "$work/dest-ours"
small_peak=$(second_of $(ours "$work/home" "$work/dest-ours"))

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
report() { # label, tool, ours[], theirs[], ours-KiB[], theirs-KiB[] (array names)
  local -n o=$3 t=$4 om=$5 tm=$6
  local a b ma mb
  a=$(median "${o[@]}"); b=$(median "${t[@]}"); ma=$(median "${om[@]}"); mb=$(median "${tm[@]}")
  printf '%-30s %-16s %8.3f s %8.3f s %6.2fx %7.1f MiB %7.1f MiB %6.3f KiB/file\n' "$1" "$2" "$a" "$b" \
    "$(awk -v a="$a" -v b="$b" 'BEGIN { print a / b }')" "$(awk -v m="$ma" 'BEGIN { print m / 1024 }')" \
    "$(awk -v m="$mb" 'BEGIN { print m / 1024 }')" "$(awk -v m="$ma" -v f="$files" 'BEGIN { print m / f }')"
}
echo "$files files of $min_kib-$max_kib KiB, $(nproc) cores, median of $rounds rounds"
printf '%-30s %-16s %10s %10s %7s %11s %11s %14s\n' work against quillaro tool ratio "our peak" "tool peak" "our peak"
report "ZIP run" "zip -r -6 + cp" oz tz ozm tzm
report "incremental, $changed_pct% changed" "rsync -a" oi ti oim tim
report "file copy with structure" "cp -a" oc tc ocm tcm
full_peak=$(median "${ozm[@]}")
printf 'memory of a ZIP run: %.1f MiB for %d files, %.1f MiB for %d: %.3f KiB more per file\n' \
  "$(awk -v m="$small_peak" 'BEGIN { print m / 1024 }')" "$tenth_files" \
  "$(awk -v m="$full_peak" 'BEGIN { print m / 1024 }')" "$files" \
  "$(awk -v a="$small_peak" -v b="$full_peak" -v n="$tenth_files" -v f="$files" 'BEGIN { print (b - a) / (f - n) }')"
