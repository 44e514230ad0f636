#!/usr/bin/env bash
# Installs what is missing, builds Pixbreed and runs a breeding session on the
# bundled sample image. Results go to out/demo/.
set -euo pipefail
PXB_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$PXB_ROOT/scripts/deps.sh"

pxb_install_packages
pxb_build "$PXB_ROOT/build"

out="$PXB_ROOT/out/demo"
mkdir -p "$out"
"$PXB_ROOT/build/tools/pxrender" --size 480x320 --smooth 1 -o "$out/hand-built-tree.png"
echo "Wrote $out/hand-built-tree.png"
