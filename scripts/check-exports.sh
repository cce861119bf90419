#!/usr/bin/env bash
# Checks that a built libtovik.so.1 exports exactly the names of its linker
# version script, each under the script's version node: nothing missing,
# nothing extra, nothing unversioned.
set -euo pipefail
library=$1
map=$2
node=$(sed -n 's/^\([A-Za-z_][A-Za-z0-9_.]*\) {$/\1/p' "$map")
[[ -n "$node" ]] || { echo "no version node in $map" >&2; exit 1; }
expected=$(sed -n 's/^ *\([A-Za-z_][A-Za-z0-9_]*\);$/\1/p' "$map" | sort)
symbols=$(nm -D --defined-only "$library" | awk '$2 ~ /^[TtWiDdBb]$/ {print $3}')
actual=$(echo "$symbols" | sed 's/@.*//' | sort)
if [[ "$expected" != "$actual" ]]; then
  diff <(echo "$expected") <(echo "$actual") || true
  echo "exported names differ from the version script" >&2
  exit 1
fi
unversioned=$(echo "$symbols" | grep -v "@@$node\$" || true)
if [[ -n "$unversioned" ]]; then
  echo "$unversioned" | head
  echo "exports without the version node $node" >&2
  exit 1
fi
count=$(echo "$actual" | wc -l)
echo "$count exported names, as listed, all in $node"
[[ $count -eq 232 ]]
