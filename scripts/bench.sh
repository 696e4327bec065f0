#!/usr/bin/env bash
# Builds the benchmarks in Release and runs each of them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVAULTARA_TESTS=OFF -DVAULTARA_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
for b in "$build"/bench/*_bench; do
  [ -x "$b" ] && "$b" "$@"
done
