#!/usr/bin/env bash
# The main job: run the example programs against the built library.
set -euo pipefail
build=${1:-build}
"$build"/examples/raise_report
