#!/usr/bin/env bash
# Checks that a built libtovik.so.1 exports exactly the names of its linker
# version script: nothing missing, nothing extra.
set -euo pipefail
library=$1
map=$2
expected=$(sed -n 's/^ *\([A-Za-z_][A-Za-z0-9_]*\);$/\1/p' "$map" | sort)
actual=$(nm -D --defined-only "$library" | awk '$2 ~ /^[TtWiDdBb]$/ {print $3}' | sort)
if [[ "$expected" != "$actual" ]]; then
  diff <(echo "$expected") <(echo "$actual") || true
  echo "exported names differ from the version script" >&2
  exit 1
fi
count=$(echo "$actual" | wc -l)
echo "$count exported names, as listed"
[[ $count -eq 232 ]]
