#!/usr/bin/env bash
# Installs what is missing, builds the programs in Release and starts the main
# job: for now the store shell `zephyron`. Arguments are handed to it
# ("tables FILE", "dump 'FILE\!TABLE'", ...; "--help" lists them); without
# any it creates a small demonstration password file in $TMPDIR with the
# categories table of the password manager, imports two records and dumps
# them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVAULTARA_TESTS=OFF -DVAULTARA_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
tool="$build/tools/zephyron/zephyron"
if [ $# -gt 0 ]; then
  exec "$tool" "$@"
fi
# Without arguments: a demonstration password file with the categories table.
demo="${TMPDIR:-/tmp}/vaultara-demo"
mkdir -p "$demo"
rm -f "$demo/demo.vapwd"
cat >"$demo/types.json" <<'JSON'
{"fields": [{"name": "TYP:SYSID", "type": "LONG"},
            {"name": "TYP:PARENTS", "type": "LONG"},
            {"name": "TYP:TYPETYPE", "type": "LONG"},
            {"name": "TYP:NAME", "type": "STRING", "length": 60},
            {"name": "TYP:DESCRIPTION", "type": "STRING", "length": 100}],
 "memos": [],
 "keys": [{"name": "TYP:K__", "components": ["+TYP:SYSID"], "primary": true, "dup": false, "opt": true, "nocase": true},
          {"name": "TYP:K_NAME", "components": ["+TYP:TYPETYPE", "+TYP:NAME"], "primary": false, "dup": false, "opt": true, "nocase": true},
          {"name": "TYP:K_PARENTNAME", "components": ["+TYP:PARENTS", "+TYP:NAME"], "primary": false, "dup": true, "opt": true, "nocase": true}],
 "owner": true}
JSON
export ZEPHYRON_OWNER=demo
table="$demo/demo.vapwd\\!Types"
"$tool" create "$table" "$demo/types.json"
printf '%s\n' \
  '{"TYP:SYSID": 1, "TYP:TYPETYPE": 1, "TYP:NAME": "Banking", "TYP:DESCRIPTION": "Accounts and cards"}' \
  '{"TYP:SYSID": 2, "TYP:TYPETYPE": 1, "TYP:NAME": "Shopping", "TYP:DESCRIPTION": "Web shops"}' |
  "$tool" import "$table"
echo "== $table (owner password \"demo\")"
exec "$tool" dump "$table" --key TYP:K_NAME
