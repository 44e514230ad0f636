#!/usr/bin/env bash
# Installs the Debian packages that building and testing Pixbreed need, when
# any is missing. Sourced by demo.sh and test.sh; pass extra package names
# to add to the list.
set -euo pipefail

pxb_install_packages() {
  local wanted=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
                libpng-dev libjpeg-dev libcli11-dev clang clang-tidy clang-format libclang-rt-14-dev git "$@")
  local missing=()
  local p
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}" >&2
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}

# pxb_build DIR [cmake options...]: configures and builds the project in DIR.
pxb_build() {
  local dir=$1
  shift
  cmake -S "$PXB_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir"
}
