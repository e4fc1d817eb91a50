#!/usr/bin/env bash
# How often an unattended run looks at each source file: the stat, statx, access and open calls
# on the source files' paths, and the fstat calls on the descriptors opened on them (strace -f,
# every thread), per file, for a ZIP run, an incremental second run after 1% changed and a file
# copy of FILES files. What a run costs per file beyond its reading shows here first.
# Usage: scripts/bench-stats.sh [build folder]   (env: FILES (1000))
set -euo pipefail
source "$(dirname "$0")/bench-lib.sh"
bench_init stats "${1:-}" strace
files=${FILES:-1000}

bench_text_tree "$work/src" "$files" 100 4096
folders=$(find "$work/src" -mindepth 1 -maxdepth 1 -type d | sort)

# label, destination: one run of the profile in $work/home, traced; prints its calls per file.
traced() {
  mkdir -p "$2"
  QUILLARO_HOME=$work/home strace -f -o "$work/trace" -e trace=%stat,%file,%desc,close \
    "$program" /run /profile:Standard "/dir:$2" >/dev/null 2>&1 || bench_fail "$1: the run ended with $?"
  echo "-- $1"
  /usr/bin/python3 - "$work/trace" "$files" "$work/src/" <<'PY'
import collections, re, sys
trace, files, root = sys.argv[1], int(sys.argv[2]), '"' + sys.argv[3]
calls, pending, fds = collections.Counter(), {}, set()
looks = ('openat', 'open', 'newfstatat', 'stat', 'lstat', 'statx', 'access', 'faccessat', 'faccessat2')
line_re = re.compile(r'^(\d+)\s+(?:<\.\.\. (\w+) resumed>|(\w+)\()(.*)$')
for line in open(trace, errors='replace'):
    m = line_re.match(line)
    if not m:
        continue
    pid, resumed, name, rest = m.groups()
    if resumed:
        name, rest = resumed, pending.pop((pid, resumed), '') + rest
    elif '<unfinished ...>' in rest:
        pending[(pid, name)] = rest.replace('<unfinished ...>', '')
        continue
    result = re.search(r'\)\s+=\s+(-?\d+)', rest)
    first = rest.split(',')[0].strip()
    if 'O_DIRECTORY' in rest:
        continue  # the listing of a folder, not a look at a file
    if name in looks and root in rest.split(')')[0]:
        calls[name + ' (path)'] += 1
        if name.startswith('open') and result and int(result.group(1)) >= 0:
            fds.add(int(result.group(1)))
    elif first.isdigit() and int(first) in fds:
        if name in ('fstat', 'newfstatat', 'statx'):
            calls[name + ' (descriptor)'] += 1
        elif name == 'close':
            fds.discard(int(first))
for name, n in calls.most_common():
    print('   %-26s %5.2f per file' % (name, n / files))
print('   %-26s %5.2f per file' % ('all', sum(calls.values()) / files))
PY
}

bench_home "$work/home" 0 "$folders"
traced "ZIP run, $files files" "$work/zip"
bench_change "$work/src" $((files / 100))
traced "incremental run, 1% changed" "$work/incremental"
bench_home "$work/home" 1 "$folders"
traced "file copy, $files files" "$work/copy"
