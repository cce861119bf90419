#!/usr/bin/env bash
# The main job: examples/simulated_session.c on a simulated two-channel
# generator, through the shipped library, with the stand-in platform
# (engine, system configuration) and the simulated generator plugin on the
# library path. Then: the readable I/O trace of the run, the description of
# the error it provoked by tovik-error, and a plot of what the generator
# put out. Usage: scripts/run-demo.sh [build directory]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)

# The error descriptions go where the library finds them on a machine without
# share.dir: the default shared directory /usr/local/velmora/share.
install=(cmake --install "$build" --component errors --prefix /usr/local)
if [[ -w /usr/local ]]; then
  "${install[@]}" >/dev/null
else
  sudo "${install[@]}" >/dev/null
fi

out=$build/demo
rm -rf "$out"
mkdir -p "$out/capture"
export LD_LIBRARY_PATH="$build/simulator:$build/standins/platform:$build/standins/snoopr:$build/lib"

# The simulator writes what each generation outputs into the capture folder;
# the trace logger writes one readable line per call.
status=0
TOVIK_SIM_CAPTURE_DIR="$out/capture" SNOOPR_ENABLE=1 SNOOPR_FORMAT=readable \
  SNOOPR_LOG_FILE="$out/trace.txt" "$build/examples/simulated_session" || status=$?

echo
echo "The I/O trace of the run (SNOOPR_ENABLE=1 SNOOPR_FORMAT=readable), one line per call:"
cut -c1-200 "$out/trace.txt" | sed 's/^/   /'

code=$(sed -n 's/.*ConfigureFrequency(.*) = \(-[0-9]*\) .*/\1/p' "$out/trace.txt" | head -1)
if [[ -n "$code" ]]; then
  echo
  echo "What tovik-error says about the status of the mistake, in English and in German:"
  "$build/bin/tovik-error" "$code" | sed 's/^/   /'
  "$build/bin/tovik-error" --language de "$code" | sed 's/^/   /'
fi

shopt -s nullglob
captures=("$out"/capture/*.csv)
if ((${#captures[@]})); then
  "$build/bin/tovik-plot" -t "What the simulated generator put out" -o "$out/output.svg" "${captures[@]}"
  echo
  echo "The generator's output (first 1000 samples of each channel, from ${#captures[@]} capture files)"
  echo "is plotted in $out/output.svg"
else
  echo "no capture was written" >&2
  status=1
fi
exit "$status"
