#!/usr/bin/env bash
# Remakes the pictures in docs/ that the README shows.
#
#   scripts/docs.sh [--bin DIR] [--no-dialog] [--check]
#
# The renders are deterministic: a session grown from a fixed seed, bred with
# fixed ratings and fixed step times, rendered at fixed sizes on one thread
# and written by our own image writer, so every run gives the same bytes.
#
#   --bin DIR     take pixbreed from DIR (searched by name below it) instead
#                 of building it in build-docs/
#   --no-dialog   leave the picture of the breeding dialog alone
#   --check       make the deterministic pictures in a temporary folder and
#                 compare them byte for byte with those in docs/; change
#                 nothing
#
# The dialog picture is the real Win32 dialog drawn under Wine by
# scripts/windows.sh (out/windows/main-dialog.png; the script is run when that
# file is missing). Its pixels depend on the fonts Wine draws with, so it is
# not part of the byte-for-byte check.
set -euo pipefail
PXB_ROOT=$(cd "$(dirname "$0")/.." && pwd)
export PXB_ROOT

BIN=""
DIALOG=1
CHECK=0
while [ $# -gt 0 ]; do
  case $1 in
    --bin)
      BIN=$(cd "$2" && pwd)
      shift 2
      ;;
    --no-dialog)
      DIALOG=0
      shift
      ;;
    --check)
      CHECK=1
      DIALOG=0
      shift
      ;;
    *)
      echo "docs.sh: unknown argument $1" >&2
      exit 2
      ;;
  esac
done

if [ -z "$BIN" ]; then
  # shellcheck source=deps.sh
  source "$PXB_ROOT/scripts/deps.sh"
  pxb_install_packages
  BIN=$PXB_ROOT/build-docs
  cmake -S "$PXB_ROOT" -B "$BIN" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPXB_TESTS=OFF -DPXB_BENCH=OFF >/dev/null
  cmake --build "$BIN" --target pixbreed
fi
# The tools may move between folders of the build; find them by name (the
# GIMP plug-in's program is called pixbreed too).
pixbreed=$(find "$BIN" -type f -name pixbreed -perm -u+x -not -path '*/gimp/*' | head -n 1)
if [ -z "$pixbreed" ]; then
  echo "docs.sh: no pixbreed built below $BIN" >&2
  exit 1
fi

WORK=$(mktemp -d /tmp/pxb-docs.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
out=$WORK/pictures
mkdir -p "$out"
sample=$PXB_ROOT/samples/sample.png
session=$WORK/session.gds
quiet() { "$@" >/dev/null; }

# One session of nine colour filters, all nine shown.
quiet "$pixbreed" new "$session" --previews 9 --seed 1717 --force
quiet "$pixbreed" preview "$session" "$sample" -o "$out/before.png" --size 120 --threads 1
# Three breeding steps: like a few, dislike a few, the rest stay neutral.
t=1767225600
for ratings in "0=0 4=10 2=100 7=90" "1=0 3=20 8=100" "0=0 5=100 6=80"; do
  args=()
  for r in $ratings; do args+=(--rate "$r"); done
  quiet "$pixbreed" breed "$session" "${args[@]}" --time "$t"
  t=$((t + 60))
done
quiet "$pixbreed" preview "$session" "$sample" -o "$out/after.png" --size 120 --threads 1
# Full-size results of three members of the last generation.
for k in 0 4 8; do
  quiet "$pixbreed" apply "$session:$k" "$sample" -o "$out/result-$k.jpg" --threads 1
done

if [ $CHECK -eq 1 ]; then
  status=0
  for f in "$out"/*; do
    name=$(basename "$f")
    if ! cmp -s "$f" "$PXB_ROOT/docs/$name"; then
      echo "docs.sh: docs/$name differs from a fresh render" >&2
      status=1
    fi
  done
  [ $status -eq 0 ] && echo "docs.sh: every picture equals a fresh render"
  exit $status
fi

cp "$out"/* "$PXB_ROOT/docs/"
if [ $DIALOG -eq 1 ]; then
  dialog=$PXB_ROOT/out/windows/main-dialog.png
  [ -s "$dialog" ] || "$PXB_ROOT/scripts/windows.sh"
  cp "$dialog" "$PXB_ROOT/docs/dialog.png"
fi
echo "docs.sh: pictures written to docs/"
du -ch "$PXB_ROOT"/docs/*.png "$PXB_ROOT"/docs/*.jpg | tail -n 1
