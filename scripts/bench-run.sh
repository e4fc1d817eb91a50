#!/usr/bin/env bash
# Times an unattended ZIP run of the real program against Info-ZIP "zip -r -6" of the same tree
# followed by "cp" of the archive, side by side, the order alternating between rounds; prints
# the medians, the ratio and the peak memory of both. Archives are checked with unzip -t.
#   TREE=large: COUNT files of SIZE MiB (4 of 512); ROWS=files: each file a row of its own;
#   TREE=small: FILES text files of 1-20 KiB (10,000).
#   ENCRYPT=1: the profile's encryption on, with a password; the anchor then enciphers zip's
#   archive with "openssl enc -bf-cbc" before the copy. Both are deciphered again and checked.
# Usage: scripts/bench-run.sh [build folder]   (env: TREE, COUNT, SIZE, ROWS, FILES, ENCRYPT, ROUNDS)
set -euo pipefail
source "$(dirname "$0")/bench-lib.sh"
bench_init run "${1:-}" zip unzip
tree_kind=${TREE:-large}
encrypt=${ENCRYPT:-0}

case $tree_kind in
large)
  count=${COUNT:-4} size=${SIZE:-512}
  bench_large_files "$work/src/large" "$count" "$size"
  row="ZIP run, $count files of $size MiB" goal=0.4 ;;
small)
  count=${FILES:-10000}
  bench_text_tree "$work/src" "$count" 1024 $((20 << 10))
  row="ZIP run, $count files of 1-20 KiB" goal=0.5 ;;
*) bench_fail "TREE is large or small, not $tree_kind" ;;
esac
folders=$(find "$work/src" -mindepth 1 -maxdepth 1 -type d | sort)
if [ "${ROWS:-folders}" = files ]; then
  folders=$(find "$work/src" -type f | sort)
  row="$row, each a file row" tree_kind=$tree_kind-filerow
fi

settings=()
anchor="zip -r -6 + cp"
pack='zip -q -r -6 izip.zip src'
deliver='cp izip.zip dest-zip/'
if ((encrypt)); then
  bench_need openssl
  password=benchmark
  export BENCH_CIPHER_KEY="K8:w-${password}Rb\\7@"
  export BENCH_CIPHER_TOOL=$build/tests/crypto/bench_clsBlowfish
  [ -x "$BENCH_CIPHER_TOOL" ] || cmake --build "$build" -j3 --target bench_clsBlowfish >/dev/null
  settings=(chkEncrypt=1 chkRemeberPassword=1 "txtEncryptPassword=$password")
  hexkey=$(printf '%s' "$BENCH_CIPHER_KEY" | head -c 16 | od -An -tx1 | tr -d ' \n')
  export OPENSSL_BF="-provider legacy -provider default -K $hexkey -iv 0000000000000000"
  anchor="zip + openssl enc -bf-cbc + cp"
  deliver='openssl enc -bf-cbc $OPENSSL_BF -in izip.zip -out izip.zip.bf'
  deliver+=' && cp izip.zip.bf dest-zip/'
  row="$row, encrypted" goal=- tree_kind=$tree_kind-encrypted
fi

ours() { bench_ours "$work/home" "$work/dest-ours"; }
theirs() { (cd "$work" && bench_measure sh -c "$pack && $deliver"); }

for ((round = 0; round < rounds; round++)); do
  bench_warm "$work/src"
  bench_home "$work/home" 0 "$folders" "${settings[@]}"
  rm -rf "$work/dest-ours" "$work/dest-zip" "$work"/izip.zip*
  mkdir -p "$work/dest-ours" "$work/dest-zip"
  bench_pair run "$round" ours theirs
  bench_check_zip "$work/dest-ours" "$count"
  if ((encrypt)); then
    openssl enc -d -bf-cbc $OPENSSL_BF -in "$work/dest-zip/izip.zip.bf" -out "$work/izip.zip"
  fi
  unzip -tqq "$work/izip.zip" >/dev/null || bench_fail "zip's archive fails unzip -t"
done

goal=${GOAL:-$goal}
bench_header "$row"
bench_report run "$row" "$anchor" "$goal" "run-$tree_kind"
