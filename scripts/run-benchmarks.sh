#!/usr/bin/env bash
# Runs every benchmark program of a build, with the benchmark plugin and the
# shipped library on the library path, and the build's error files as the
# shared directory (share.dir bound in a private mount namespace).
set -euo pipefail
build=${1:-build}
export LD_LIBRARY_PATH="$build/bench/plugin:$build/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
here=$(cd "$(dirname "$0")/.." && pwd)
share_dir_file=$(mktemp)
trap 'rm -f "$share_dir_file"' EXIT
echo "$(cd "$build" && pwd)/share" >"$share_dir_file"
for program in "$build"/bench/bench_*; do
  [[ -x "$program" ]] || continue
  echo "== $(basename "$program")"
  "$here/tests/support/with-fixed-files.sh" /etc/velmora/share/share.dir="$share_dir_file" -- \
    "$program" --benchmark_min_time=0.2
done
