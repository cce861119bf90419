#!/usr/bin/env bash
# Runs every benchmark program of a build, with the benchmark plugin and the
# shipped library on the library path.
set -euo pipefail
build=${1:-build}
export LD_LIBRARY_PATH="$build/bench/plugin:$build/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
for program in "$build"/bench/bench_*; do
  [[ -x "$program" ]] || continue
  echo "== $(basename "$program")"
  "$program" --benchmark_min_time=0.2
done
