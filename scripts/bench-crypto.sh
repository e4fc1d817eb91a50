#!/usr/bin/env bash
# Encrypts one 256 MiB file with the program's cipher and with openssl's Blowfish in CBC mode on
# the same machine, best of three runs each, and checks that the program reaches at least half
# openssl's speed. Also shows the program's peak memory, which stays far below the file size.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
runs=${RUNS:-3}
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j4 --target bench_clsBlowfish >/dev/null
tool=$build/tests/crypto/bench_clsBlowfish

work=$(mktemp -d "${TMPDIR:-/tmp}/bench-crypto.XXXXXX")
trap 'rm -rf "$work"' EXIT
head -c $((256 << 20)) /dev/urandom >"$work/plain"
cat "$work/plain" >/dev/null

key='K8:w-benchmarkRb\7@'
hexkey=$(printf '%s' "$key" | head -c 16 | od -An -tx1 | tr -d ' \n')

seconds() { # command... : wall seconds of one run
  local start end
  start=$EPOCHREALTIME
  "$@" >/dev/null
  end=$EPOCHREALTIME
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}
best() { # command... : fastest of $runs runs
  local best='' t
  for _ in $(seq "$runs"); do
    t=$(seconds "$@")
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  echo "$best"
}

openssl_s=$(best openssl enc -bf-cbc -provider legacy -provider default -K "$hexkey" \
  -iv 0000000000000000 -in "$work/plain" -out "$work/plain.bf")
ours_s=$(best "$tool" encrypt "$work/plain" "$work/plain.cry" "$key")
decrypt_s=$(best "$tool" decrypt "$work/plain.cry" "$work/back" "$key")
cmp -s "$work/plain" "$work/back" || { echo "round trip failed" >&2; exit 1; }
peak_kib=$(/usr/bin/time -f %M "$tool" encrypt "$work/plain" "$work/plain.cry" "$key" 2>&1 >/dev/null | tail -1)

mibs() { awk -v s="$1" 'BEGIN { printf "%.1f", 256 / s }'; }
ratio=$(awk -v o="$openssl_s" -v q="$ours_s" 'BEGIN { printf "%.2f", o / q }')
printf 'openssl enc -bf-cbc  encrypt 256 MiB: %6.2f s  %7s MiB/s\n' "$openssl_s" "$(mibs "$openssl_s")"
printf 'clsBlowfish          encrypt 256 MiB: %6.2f s  %7s MiB/s\n' "$ours_s" "$(mibs "$ours_s")"
printf 'clsBlowfish          decrypt 256 MiB: %6.2f s  %7s MiB/s\n' "$decrypt_s" "$(mibs "$decrypt_s")"
printf 'speed against openssl: %s   peak memory while encrypting: %s KiB\n' "$ratio" "$peak_kib"
if awk -v r="$ratio" 'BEGIN { exit !(r < 0.5) }'; then
  echo "slower than half openssl's speed" >&2
  exit 1
fi
