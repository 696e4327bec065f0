#!/usr/bin/env bash
# Installs what is missing, builds the programs in Release and starts the main
# job: for now the text file tool, which appends and reads lines through the
# file statements. Arguments are handed to the tool ("append FILE LINE...",
# "read FILE"); without any it appends a line to a demonstration log and
# shows the log.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVAULTARA_TESTS=OFF -DVAULTARA_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
tool="$build/tools/textfile/vaultara-textfile"
if [ $# -gt 0 ]; then
  exec "$tool" "$@"
fi
# Without arguments: append a line to a demonstration log and show it.
log="${TMPDIR:-/tmp}/vaultara-demo.log"
"$tool" append "$log" "Vaultara started $(date '+%Y-%m-%d %H:%M:%S')"
echo "== $log"
exec "$tool" read "$log"
