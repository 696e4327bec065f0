#!/usr/bin/env bash
# Installs what is missing, builds the programs in Release and starts the main
# job. Arguments are handed to the tool; without any it shows a short demo.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVAULTARA_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
exec "$build/tools/textfile/vaultara-textfile" "$@"
