#!/usr/bin/env bash
# The main job: a session on a simulated device, through the shipped
# library, with the stand-in platform (engine, system configuration, device
# plugins) and the I/O trace logger showing the API traffic.
set -euo pipefail
build=${1:-build}

# The error descriptions go where the library finds them on a machine without
# share.dir: the default shared directory /usr/local/velmora/share.
install=(cmake --install "$build" --component errors --prefix /usr/local)
if [[ -w /usr/local ]]; then
  "${install[@]}" >/dev/null
else
  sudo "${install[@]}" >/dev/null
fi

trace=$(mktemp)
trap 'rm -f "$trace"' EXIT
export LD_LIBRARY_PATH="$build/standins/plugins/full:$build/standins/snoopr:$build/lib"
RECORDING_PLUGIN_ENGINE_SESSIONS=1 SNOOPR_ENABLE=1 SNOOPR_LOG_FILE="$trace" "$build"/examples/simulated_session
echo
echo "I/O trace of the run (one record per call):"
cut -c1-240 "$trace"
