#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a while, starting from its
# checked-in corpus, and prints each target's executions and coverage.
# Inputs go up to 64 KiB, enough for realistic option strings; an input that
# runs longer than FUZZ_INPUT_TIMEOUT seconds is a finding (a parser gone
# quadratic).
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-60}
timeout=${FUZZ_INPUT_TIMEOUT:-2}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
summary=""
for fuzzer in "$build"/fuzz/*/fuzz_*; do
  [[ -x "$fuzzer" ]] || continue
  name=$(basename "$fuzzer"); name=${name#fuzz_}
  corpus=$(find "$root/fuzz" -type d -path "*/corpus/$name" | head -n 1)
  work=$(mktemp -d)
  log="$work.log"
  echo "== $name ($seconds s)"
  if ! "$fuzzer" -max_total_time="$seconds" -max_len=65536 -timeout="$timeout" \
      -print_final_stats=1 "$work" ${corpus:+"$corpus"} 2>&1 | tee "$log"; then
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  line=$(grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE).*cov: ' "$log" | tail -n 1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$line")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$line")
  summary+="$(printf '%-22s %12s executions  %6s edges (cov)  %7s features (ft)' \
    "$name" "${runs:-?}" "${cov:-?}" "${ft:-?}")"$'\n'
  rm -rf "$work" "$log"
done
echo "== summary"
printf '%s' "$summary"
exit $status
