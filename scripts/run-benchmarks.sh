#!/usr/bin/env bash
# Runs every benchmark program of a build.
set -euo pipefail
build=${1:-build}
for program in "$build"/bench/bench_*; do
  [[ -x "$program" ]] || continue
  echo "== $(basename "$program")"
  "$program" --benchmark_min_time=0.2
done
