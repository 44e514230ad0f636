#!/usr/bin/env bash
# Installs what is missing, builds Pixbreed and runs a short breeding session
# on the bundled sample image. Everything it makes goes to out/demo/.
set -euo pipefail
PXB_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$PXB_ROOT/scripts/deps.sh"

pxb_install_packages
pxb_build "$PXB_ROOT/build"

pixbreed="$PXB_ROOT/build/tools/pixbreed"
sample="$PXB_ROOT/samples/sample.png"
out="$PXB_ROOT/out/demo"
mkdir -p "$out"

"$pixbreed" new "$out/session.gds" --previews 6 --seed 2026 --force
"$pixbreed" preview "$out/session.gds" "$sample" -o "$out/generation-1.png"
# Like members 0 and 3 best, dislike 1 and 5; the others stay neutral.
"$pixbreed" breed "$out/session.gds" --rate 0=0 --rate 3=10 --rate 1=100 --rate 5=90
"$pixbreed" preview "$out/session.gds" "$sample" -o "$out/generation-2.png"
# A second step, then back: generation 2 and its learning return exactly.
"$pixbreed" breed "$out/session.gds" --rate 0=0 --rate 2=100
"$pixbreed" preview "$out/session.gds" "$sample" -o "$out/generation-3.png"
"$pixbreed" undo "$out/session.gds"
"$pixbreed" preview "$out/session.gds" "$sample" -o "$out/undone.png"
"$pixbreed" history "$out/session.gds"
"$pixbreed" pick "$out/session.gds" 0
"$pixbreed" export "$out/session.gds" 0 "$out/favourite.gdo" --force
"$pixbreed" apply "$out/session.gds" "$sample" -o "$out/filtered.png"
"$pixbreed" tree "$out/favourite.gdo" > "$out/favourite.txt"

echo "Wrote to $out:"
echo "  generation-1.png .. generation-3.png  previews before and after two breeding steps"
echo "  undone.png                          generation 2 again, after one undo"
echo "  filtered.png                        the sample filtered by the picked member"
echo "  session.gds, favourite.gdo          the session and the picked filter"
echo "  favourite.txt                       the picked filter's expression"
