#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test. Then builds the programs
# and the benchmarks in Release too, since optimised builds warn about other
# things and the README's run command depends on them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVAULTARA_SANITIZE=ON -DVAULTARA_TESTS=ON
cmake --build "$build" -j "$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 600

release=build/release
cmake -S . -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVAULTARA_TESTS=OFF -DVAULTARA_BENCH=ON >/dev/null
cmake --build "$release" -j "$(nproc)"
