#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a while, starting from and
# adding to its checked-in corpus.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for fuzzer in "$build"/fuzz/*/fuzz_*; do
  [[ -x "$fuzzer" ]] || continue
  name=$(basename "$fuzzer"); name=${name#fuzz_}
  corpus=$(find "$root/fuzz" -type d -path "*/corpus/$name" | head -n 1)
  work=$(mktemp -d)
  echo "== $name ($seconds s)"
  "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 "$work" ${corpus:+"$corpus"} || status=1
  rm -rf "$work"
done
exit $status
