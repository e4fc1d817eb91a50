#!/usr/bin/env bash
# Installs the build's packages, builds the program and starts it with any arguments given.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target quillaro
exec ./build/startup/quillaro "$@"
