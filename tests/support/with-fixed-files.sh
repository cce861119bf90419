#!/usr/bin/env bash
# Runs a command with fixed system paths replaced, in a private mount
# namespace, so a test never touches the machine's real files:
#
#   with-fixed-files.sh /etc/velmora/share/share.dir=FIXTURE [PATH=-] ... -- command args...
#
# PATH=FIXTURE binds the fixture (a file over a file, a directory over a
# directory) over PATH, created first when missing; PATH=- makes PATH absent. The top directory of each path (for
# example /etc) is overlaid with a private, writable layer, so creating or
# removing files there stays inside the namespace.
set -euo pipefail

if [[ ${1:-} != --inside ]]; then
  namespace=(unshare --mount --propagation private)
  [[ $(id -u) -eq 0 ]] || namespace+=(--map-root-user)
  exec "${namespace[@]}" "$0" --inside "$@"
fi
shift

assignments=()
while (($#)) && [[ $1 != -- ]]; do
  assignments+=("$1")
  shift
done
[[ ${1:-} == -- ]] || { echo "usage: $0 PATH=FIXTURE|- ... -- command" >&2; exit 2; }
shift

scratch=/mnt
mount -t tmpfs tovik-fixed-files "$scratch"
declare -A overlaid=()
for assignment in "${assignments[@]}"; do
  path=${assignment%%=*}
  fixture=${assignment#*=}
  top=/$(cut -d/ -f2 <<<"$path")
  if [[ -z ${overlaid[$top]:-} ]]; then
    layer=$scratch/layer${#overlaid[@]}
    mkdir -p "$layer/upper" "$layer/work"
    mount -t overlay overlay -o "lowerdir=$top,upperdir=$layer/upper,workdir=$layer/work" "$top"
    overlaid[$top]=1
  fi
  if [[ $fixture == - ]]; then
    rm -rf "$path"
  elif [[ -d $fixture ]]; then
    mkdir -p "$path"
    mount --bind "$fixture" "$path"
  else
    mkdir -p "$(dirname "$path")"
    [[ -e $path ]] || : >"$path"
    mount --bind "$fixture" "$path"
  fi
done
exec "$@"
