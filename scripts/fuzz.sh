#!/usr/bin/env bash
# Builds the store file fuzzer with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a chosen time:
#
#   scripts/fuzz.sh [seconds] [jobs]      (default 60 seconds, 1 job)
#
# It starts from the saved corpus in fuzz/corpus and keeps what it finds in
# build/fuzz/corpus (new inputs) and build/fuzz/crashes (inputs that fail).
# Copy an input worth keeping into fuzz/corpus: CI runs every one of them.
# With "--seed" it writes the seed corpus afresh into fuzz/corpus instead.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh clang libclang-rt-14-dev

build=build/fuzz
CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVAULTARA_FUZZ=ON \
  -DVAULTARA_TESTS=OFF >/dev/null
cmake --build "$build" -j 2 --target store_file_fuzzer make_corpus

if [ "${1:-}" = "--seed" ]; then
  rm -f fuzz/corpus/*
  "$build/fuzz/make_corpus" fuzz/corpus
  ls -l fuzz/corpus
  exit 0
fi

seconds=${1:-60}
jobs=${2:-1}
root=$(pwd)
mkdir -p "$build/corpus" "$build/crashes"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
parallel=()
if [ "$jobs" -gt 1 ]; then
  parallel=(-jobs="$jobs" -workers="$jobs")  # each job logs to build/fuzz/fuzz-<n>.log
fi
cd "$build"
fuzz/store_file_fuzzer corpus "$root/fuzz/corpus" \
  -max_total_time="$seconds" "${parallel[@]}" \
  -timeout=20 -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix=crashes/
