# Helpers of the benchmark scripts (sourced, not run): they time the real program, started as
# cron starts it, against a usual tool on the same tree, side by side.
#
# A script calls bench_init, builds its tree, then per round bench_pair for each row it measures
# (the order of the two sides alternates between rounds) and checks the outputs; at the end
# bench_report prints each row's medians, ratio and peak memory. With BENCH_SUMMARY naming a file
# (scripts/bench-all.sh sets it), bench_report also appends the row there, tab-separated:
# key, row, ours (s), anchor (s), ratio, goal, our peak (MiB), anchor peak (MiB).

bench_fail() { # message: ends the script
  echo "bench-$BENCH_NAME: $*" >&2
  exit 1
}

bench_need() { # tools...
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || bench_fail "$tool is missing: apt-get install it"
  done
}

# name, build folder (default: build), tools it needs. Sets here, build, program and work
# (removed at the end), and gives everything started from here its own home, as an unattended
# run has it: no display, own HOME and XDG folders, no real crontab and no real shutdown.
bench_init() {
  BENCH_NAME=$1
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  build=${2:-$here/build}
  program=$build/startup/quillaro
  [ -x "$program" ] || bench_fail "build first: $program is missing"
  bench_need /usr/bin/python3 /usr/bin/time "${@:3}"
  rounds=${ROUNDS:-5}
  work=$(mktemp -d "${TMPDIR:-/tmp}/bench-$BENCH_NAME.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
  export HOME=$work/userhome
  export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
  export XDG_RUNTIME_DIR=$work/runtime
  export QUILLARO_CRONTAB=/bin/false QUILLARO_SHUTDOWN_COMMAND=/bin/true
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  declare -gA BENCH_T_OURS=() BENCH_T_ANCHOR=() BENCH_M_OURS=() BENCH_M_ANCHOR=()
}

# root, count, smallest and largest size in bytes: text files of words in folders of 200
# ("dirNNN/fileNNNNNN.txt"), the same tree for the same arguments.
bench_text_tree() {
  /usr/bin/python3 - "$@" <<'PY'
import os, random, sys
root, count, lo, hi = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
rnd = random.Random(7)
words = [''.join(rnd.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rnd.randint(2, 10)))
         for _ in range(4000)]
line = ' '.join(rnd.choice(words) for _ in range(20000))
for i in range(count):
    d = os.path.join(root, 'dir%03d' % (i // 200))
    os.makedirs(d, exist_ok=True)
    size = rnd.randint(lo, hi)
    start = rnd.randrange(len(line) - size) if size else 0
    with open(os.path.join(d, 'file%06d.txt' % i), 'w') as f:
        f.write(line[start:start + size])
PY
}

# root, count, MiB each: large text files ("bigN.dat"), none repeating another.
bench_large_files() {
  /usr/bin/python3 - "$@" <<'PY'
import os, random, sys
root, count, mib = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rnd = random.Random(42)
words = [''.join(rnd.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rnd.randint(2, 10)))
         for _ in range(5000)]
out, n = [], 0
while n < 4 << 20:
    line = ' '.join(rnd.choice(words) for _ in range(rnd.randint(3, 14)))
    line += ' %d\n' % rnd.randint(0, 10**6)
    out.append(line); n += len(line)
block = ''.join(out)[:4 << 20].encode()
os.makedirs(root, exist_ok=True)
for i in range(count):
    with open(os.path.join(root, 'big%d.dat' % i), 'wb') as f:
        for j in range(mib // 4):
            k = (i * 1024 + j) * 7919 % len(block)  # each 4 MiB block shifted
            f.write(block[k:] + block[:k])
        f.write(block[:mib % 4 << 20])
PY
}

bench_warm() { # folder: reads every file once, so that both sides start from the cache
  find "$1" -type f -exec cat {} + >/dev/null
}

# program home, backup mode (0 ZIP, 1 copy, 2 sync), sources (one a line: a folder becomes a
# folder row, a file a row of its own), then key=value settings of the profile that differ from
# the benchmark's defaults.
bench_home() {
  local home=$1
  rm -rf "$home"
  mkdir -p "$home/program" "$home/temp"
  /usr/bin/python3 - "$@" <<'PY'
import os, pwd, sys
home, mode, folders, extra = sys.argv[1], int(sys.argv[2]), sys.argv[3].split('\n'), sys.argv[4:]
user = pwd.getpwuid(os.geteuid()).pw_name.strip().upper() or 'GUEST'
scope = 'Quillaro\\%s\\Standard\\Settings\\' % user
keys = {'txtPathTemp': os.path.join(home, 'temp'), 'chkAppendArchive': '0', 'SldRatio': '6',
        'txtMaxZIPsize': '4000', 'chkMaxFiles': '0', 'chkWriteLog': '1',
        'chkInclSubDirStruct': '1', 'chkResetArchiveBit': '1', 'optNewOnly': '-1',
        'optComplete': '0', 'optCompleteNoFilter': '0'}
keys.update(('optBuMode%d' % i, '-1' if i == mode else '0') for i in range(3))
keys.update(item.split('=', 1) for item in extra)
with open(os.path.join(home, 'settings.ini'), 'w') as f:
    f.write('[QEV]\n')
    for key, value in keys.items():
        f.write(scope + key + '=' + value + '\n')
with open(os.path.join(home, 'program', 'Standard.pfl'), 'w') as f:
    for source in filter(None, folders):
        row = source if os.path.isfile(source) else os.path.join(source, '*.*')
        f.write(row + '\n-1 \n')
PY
}

# exit status, command...: a command that failed ends the script, with its output and the error
# log of the program home it ran in.
bench_check_ended() {
  local rc=$1
  shift
  ((rc == 0)) && return 0
  echo "bench-$BENCH_NAME: $* ended with $rc" >&2
  cat "$work/stdout" "$work/stderr" >&2
  [ -z "${QUILLARO_HOME:-}" ] || tail -n 20 "$QUILLARO_HOME/Common/error.log" >&2 || true
  exit 1
}

# command...: runs it and prints "seconds peak-KiB". The clock is bash's own: a `date` on either
# side would add two process starts to every figure.
bench_measure() {
  local t0 t1 rc=0
  t0=$EPOCHREALTIME
  /usr/bin/time -f %M -o "$work/rss" "$@" >"$work/stdout" 2>"$work/stderr" || rc=$?
  t1=$EPOCHREALTIME
  bench_check_ended "$rc" "$@"
  awk -v a="$t0" -v b="$t1" -v r="$(tail -n 1 "$work/rss")" 'BEGIN { printf "%.4f %d\n", b - a, r }'
}

# command... that changes nothing: as bench_measure, but the seconds are those of the command
# started straight from the shell, as cron starts it (under /usr/bin/time a process start more
# counts), and the peak memory that of a second run under /usr/bin/time.
bench_measure_direct() {
  local t0 t1 rc=0 peak
  t0=$EPOCHREALTIME
  "$@" >"$work/stdout" 2>"$work/stderr" || rc=$?
  t1=$EPOCHREALTIME
  bench_check_ended "$rc" "$@"
  peak=$(bench_measure "$@") || exit 1
  awk -v a="$t0" -v b="$t1" -v r="${peak#* }" 'BEGIN { printf "%.4f %d\n", b - a, r }'
}

# program home, destination folder[, measuring function]: an unattended run of the profile Standard
bench_ours() {
  QUILLARO_HOME=$1 "${3:-bench_measure}" "$program" /run /profile:Standard "/dir:$2"
}

# row key, round, command of ours, command of the anchor: runs both (who goes first alternates
# between rounds: the file system is still busy with what the one before left) and keeps their
# seconds and peak memory under the key.
bench_pair() {
  local key=$1 ours anchor
  sync
  if (($2 % 2 == 0)); then
    ours=$($3) || exit 1
    anchor=$($4) || exit 1
  else
    anchor=$($4) || exit 1
    ours=$($3) || exit 1
  fi
  BENCH_T_OURS[$key]+=" ${ours% *}"
  BENCH_M_OURS[$key]+=" ${ours#* }"
  BENCH_T_ANCHOR[$key]+=" ${anchor% *}"
  BENCH_M_ANCHOR[$key]+=" ${anchor#* }"
}

bench_median() { # numbers...
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

bench_ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
bench_mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

# folder, expected number of files: every archive there passes "unzip -t" and together they
# hold that many files. Encrypted archives (".cry") are deciphered first, with the tool
# BENCH_CIPHER_TOOL and the archive key BENCH_CIPHER_KEY.
bench_check_zip() {
  local archive entries=0 n
  shopt -s nullglob
  local archives=("$1"/*.zip "$1"/*.zip.cry)
  shopt -u nullglob
  ((${#archives[@]})) || bench_fail "no archive in $1"
  for archive in "${archives[@]}"; do
    if [[ $archive == *.cry ]]; then
      "$BENCH_CIPHER_TOOL" decrypt "$archive" "$work/check.zip" "$BENCH_CIPHER_KEY" >/dev/null ||
        bench_fail "$archive cannot be deciphered"
      archive=$work/check.zip
    fi
    unzip -tqq "$archive" >/dev/null || bench_fail "$archive fails unzip -t"
    n=$(unzip -Z1 "$archive" | grep -vc '/$' || true)
    entries=$((entries + n))
  done
  rm -f "$work/check.zip"
  [ "$entries" -eq "$2" ] || bench_fail "the archives in $1 hold $entries files, not $2"
}

# root, number of files to change: appends a word to that many files spread over the tree.
bench_change() {
  local total
  total=$(find "$1" -type f | wc -l)
  find "$1" -type f | sort |
    awk -v n="$2" -v t="$total" 'n > 0 && NR % int(t / n) == 0 && ++k <= n' | while read -r f; do printf ' changed' >>"$f"; done
}

bench_header() { # what the rows measured
  echo "$*; $(nproc) cores; paired medians of $rounds rounds on a shared machine (read the ratios)"
  printf '%-46s %-32s %9s %9s %7s %5s %10s %10s\n' row anchor "ours s" "anchor s" ratio goal \
    "our peak" "its peak"
}

# key, row, anchor, goal (a ratio, or "-"), key in the summary (default: the key): the medians
# of the row's rounds.
bench_report() {
  local key=$1 ours anchor om am ratio
  ours=$(bench_median ${BENCH_T_OURS[$key]})
  anchor=$(bench_median ${BENCH_T_ANCHOR[$key]})
  om=$(bench_mib "$(bench_median ${BENCH_M_OURS[$key]})")
  am=$(bench_mib "$(bench_median ${BENCH_M_ANCHOR[$key]})")
  ratio=$(bench_ratio "$ours" "$anchor")
  printf '%-46s %-32s %9.3f %9.3f %6sx %5s %6s MiB %6s MiB\n' "$2" "$3" "$ours" "$anchor" "$ratio" \
    "$4" "$om" "$am"
  bench_summary "${5:-$key}" "$2 vs $3" "$ours" "$anchor" "$ratio" "$4" "$om" "$am"
}

bench_summary() { # fields of one row of the summary table
  [ -z "${BENCH_SUMMARY:-}" ] || (IFS=$'\t'; echo "$*") >>"$BENCH_SUMMARY"
}
