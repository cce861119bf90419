#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing
# when they are all present, so it is cheap to run before every build.
set -euo pipefail

packages=(
  build-essential cmake python3 pkg-config
  clang libclang-rt-14-dev
  liblua5.1-0-dev lua5.1 lua-cjson-dev lua-filesystem-dev lua-dkjson
  libboost-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  unicode-data util-linux
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "installing: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "need root to install ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
