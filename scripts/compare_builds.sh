#!/usr/bin/env bash
# Runs the same work through two builds of pixbreed (say the 64-bit and the
# 32-bit one) and fails on any difference:
#   - the expression texts of a fixed set of sessions of both root types,
#     before and after breeding steps, and of exported filters;
#   - the session and filter files written by new, breed and export, byte
#     for byte;
#   - full renders of every member of those sessions on the sample image,
#     pixel by pixel (the two builds may write their PNGs with different
#     encoders, so the decoded pixels are compared, not the files).
#
#   scripts/compare_builds.sh PIXBREED_A PIXBREED_B PXCOMPARE
#
# PXCOMPARE is the pxcompare tool of either build.
set -euo pipefail
PXB_ROOT=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -ne 3 ]; then
  echo "usage: $0 PIXBREED_A PIXBREED_B PXCOMPARE" >&2
  exit 2
fi
A=$(realpath "$1")
B=$(realpath "$2")
PXCOMPARE=$(realpath "$3")
SAMPLE=$PXB_ROOT/samples/sample.png
# Colour sessions from these seeds, grey (unit) ones from the same seeds.
SEEDS=${PXB_COMPARE_SEEDS:-"3 1999 40000"}

WORK=$(mktemp -d /tmp/pxb-compare.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

# do_work DIR PIXBREED: every step, run with DIR as the working folder so
# that both builds see the same relative file names.
do_work() {
  local dir=$1 pixbreed=$2
  trap 'echo "compare_builds.sh: failed in $dir: $BASH_COMMAND" >&2; tail -n 5 "$dir/apply.log" >&2 2>/dev/null' ERR
  mkdir -p "$dir/files" "$dir/texts" "$dir/renders"
  cd "$dir"
  local seed kind name k
  for seed in $SEEDS; do
    for kind in colour grey; do
      name=${kind}_$seed
      if [ $kind = grey ]; then
        "$pixbreed" new "files/$name.gds" --seed "$seed" --grey >/dev/null
      else
        "$pixbreed" new "files/$name.gds" --seed "$seed" >/dev/null
      fi
      cp "files/$name.gds" "files/${name}_new.gds"
      "$pixbreed" tree "files/$name.gds" >"texts/${name}_new.txt"
      "$pixbreed" show "files/$name.gds" >"texts/${name}_new_show.txt"
      # Rendered before breeding: every member of the new session.
      for k in 0 1 2 3 4 5 6 7 8; do
        "$pixbreed" apply "files/$name.gds:$k" "$SAMPLE" -o "renders/${name}_new_$k.png" \
          --threads 2 2>>apply.log
      done
      # Fixed times: the session's history records each step's time.
      "$pixbreed" breed "files/$name.gds" --rate 0=0 --rate 1=100 --rate 2=25 --time 1767225600 >/dev/null
      cp "files/$name.gds" "files/${name}_bred1.gds"
      "$pixbreed" breed "files/$name.gds" --rate 0=100 --rate 2=10 --time 1767225660 >/dev/null
      "$pixbreed" tree "files/$name.gds" >"texts/${name}_bred2.txt"
      for k in 0 4 8; do
        "$pixbreed" export "files/$name.gds" "$k" "files/${name}_$k.gdo" >/dev/null
        "$pixbreed" tree "files/${name}_$k.gdo" >"texts/${name}_$k.gdo.txt"
        "$pixbreed" apply "files/${name}_$k.gdo" "$SAMPLE" -o "renders/${name}_bred_$k.png" \
          --threads 2 2>>apply.log
      done
    done
  done
}

# Not in a condition: that would switch off set -e inside the work.
(do_work "$WORK/a" "$A")
(do_work "$WORK/b" "$B")

FAILED=0
files=0
for f in "$WORK"/a/files/* "$WORK"/a/texts/*; do
  rel=${f#"$WORK"/a/}
  files=$((files + 1))
  if ! cmp -s "$f" "$WORK/b/$rel"; then
    echo "differs: $rel" >&2
    FAILED=1
  fi
done
if [ "$(find "$WORK/a/files" "$WORK/a/texts" -type f | wc -l)" -ne \
  "$(find "$WORK/b/files" "$WORK/b/texts" -type f | wc -l)" ]; then
  echo "the two builds wrote different sets of files" >&2
  FAILED=1
fi
echo "session, filter and text files compared byte for byte: $files"

report=$("$PXCOMPARE" "$WORK/a/renders" "$WORK/b/renders") || FAILED=1
echo "$report"
# pxcompare's closing line: "compared N images, P pixels: I images, Q pixels
# and V code values differ; largest difference D".
summary=$(tail -n 1 <<<"$report")
renders=$(find "$WORK/a/renders" -name '*.png' | wc -l)
if ! grep -qE "^compared $renders images, [0-9]+ pixels: 0 images, 0 pixels and 0 code values differ" \
  <<<"$summary"; then
  echo "the renders differ" >&2
  FAILED=1
fi

if [ $FAILED -ne 0 ]; then
  echo "compare_builds.sh: FAILED" >&2
  exit 1
fi
echo "compare_builds.sh: $files files and $renders full renders identical"
