#!/usr/bin/env bash
# Runs a command in a private mount namespace where fixtures are bound over
# fixed system paths, so a test reads its own files there without touching
# the machine's:
#
#   with-bind-mount.sh <fixture> <target> [<fixture> <target> ...] -- <command> [args...]
#
# A fixture directory is bound over a directory, a fixture file over a file.
# A missing target is created first (an empty directory, or an empty file
# with its parent directories) and stays behind, empty; the mounts vanish with
# the namespace when the command ends. Needs root, or user namespaces for an
# unprivileged user.
set -euo pipefail

usage() {
  echo "usage: ${0##*/} <fixture> <target> [<fixture> <target> ...] -- <command> [args...]" >&2
  exit 2
}

inside=0
if [[ "${1:-}" == "--in-namespace" ]]; then
  inside=1
  shift
fi

pairs=()
while (($#)) && [[ "$1" != "--" ]]; do
  (($# >= 2)) || usage
  pairs+=("$1" "$2")
  shift 2
done
(($# >= 2)) && ((${#pairs[@]})) || usage
shift  # the "--"

if ((!inside)); then
  for ((i = 0; i < ${#pairs[@]}; i += 2)); do
    fixture=${pairs[i]} target=${pairs[i + 1]}
    if [[ -d "$fixture" ]]; then
      [[ -d "$target" ]] || mkdir -p "$target"
    elif [[ -f "$fixture" ]]; then
      if [[ ! -e "$target" ]]; then
        mkdir -p "$(dirname "$target")"
        : >>"$target"
      fi
    else
      echo "${0##*/}: no fixture at $fixture" >&2
      exit 2
    fi
  done
  namespace=(unshare --mount --propagation private)
  [[ $(id -u) -eq 0 ]] || namespace+=(--map-root-user)
  exec "${namespace[@]}" "$0" --in-namespace "${pairs[@]}" -- "$@"
fi

for ((i = 0; i < ${#pairs[@]}; i += 2)); do
  mount --bind "${pairs[i]}" "${pairs[i + 1]}"
done
exec "$@"
