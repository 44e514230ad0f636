#!/usr/bin/env bash
# Runs the commands of README.md as a new user would type them.
#
#   readme_commands.sh README BUILD_DIR
#
# Every fenced ```sh block of the README must be preceded by a marker line:
#   <!-- readme: run -->           run here
#   <!-- readme: needs TOOL -->    run only where TOOL is installed (a program,
#                                  or a file or folder such as ~/.config/x)
#   <!-- readme: skip (why) -->    not run by this test (the whole pipeline,
#                                  a build of its own, a package install)
# A block without a marker fails the test, so no command is forgotten.
#
# The blocks run in order, each in its own `bash -e`, in one scratch folder
# that holds a copy of the project's files (the commands name samples/ and
# tests/ as they are in a checkout). `pixbreed` is put on PATH; a path like
# build/<folder>/NAME is resolved by finding NAME below BUILD_DIR, so the
# test does not depend on which folder a tool is built in.
set -euo pipefail
readme=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
build=$(cd "$2" && pwd)
src=$(dirname "$readme")

WORK=$(mktemp -d /tmp/pxb-readme.XXXXXX)
trap 'rm -rf "$WORK"' EXIT

# The project's files as a checkout has them, without build folders.
(cd "$src" && git ls-files -z --cached --others --exclude-standard) |
  (cd "$src" && xargs -0 cp --parents -t "$WORK" 2>/dev/null) || true
[ -f "$WORK/samples/sample.png" ] || cp -r "$src/samples" "$WORK/"
# The images the walk-through talks about.
cp "$src/samples/sample.jpg" "$WORK/photo.jpg"
cp "$src/samples/sample.jpg" "$WORK/other.jpg"
mkdir -p "$WORK/photos"
cp "$src/samples/sample.jpg" "$WORK/photos/a.jpg"
cp "$src/samples/sample.png" "$WORK/photos/b.png"

# The GIMP plug-in's program is called pixbreed too: it is not the tool.
find_tool() {
  find "$build" -type f -name "$1" -perm -u+x -not -path '*/CMakeFiles/*' -not -path '*/gimp/*' |
    head -n 1
}
pixbreed=$(find_tool pixbreed)
[ -n "$pixbreed" ] || {
  echo "no pixbreed below $build" >&2
  exit 1
}
export PATH="$(dirname "$pixbreed"):$PATH"

# Each block becomes a file of its own; markers decide what runs.
awk -v dir="$WORK/blocks" '
  BEGIN { system("mkdir -p " dir); n = 0; mark = ""; inblock = 0 }
  /^<!-- readme: .* -->$/ { mark = $0; sub(/^<!-- readme: /, "", mark); sub(/ -->$/, "", mark); next }
  inblock && /^```$/ { inblock = 0; close(file); mark = ""; next }
  inblock { print > file; next }
  /^```sh/ {
    n++; inblock = 1
    file = sprintf("%s/%02d.sh", dir, n)
    printf "%s\n", (mark == "" ? "missing" : mark) > sprintf("%s/%02d.mark", dir, n)
    printf "" > file
    next
  }
  /^$/ { next }
  { mark = "" }
' "$readme"

status=0
ran=0
for block in "$WORK"/blocks/*.sh; do
  n=$(basename "$block" .sh)
  mark=$(cat "$WORK/blocks/$n.mark")
  case $mark in
    run) ;;
    needs\ *)
      # A program on PATH, or a file or folder (~ is the home folder).
      tool=${mark#needs }
      case $tool in
        "~/"*) path=$HOME/${tool#"~/"} ;;
        /*) path=$tool ;;
        *) path=$(command -v "$tool" || true) ;;
      esac
      if [ -z "$path" ] || [ ! -e "$path" ]; then
        echo "block $n: not run, $tool is not installed"
        continue
      fi
      ;;
    skip*)
      echo "block $n: not run ($mark)"
      continue
      ;;
    *)
      echo "block $n: no <!-- readme: ... --> marker before it" >&2
      status=1
      continue
      ;;
  esac
  # build/<folder>/NAME becomes the tool's real path in this build.
  while read -r word; do
    tool=$(find_tool "$(basename "$word")")
    if [ -z "$tool" ]; then
      echo "block $n: $word is not built" >&2
      status=1
      continue 2
    fi
    sed -i "s#$word#$tool#g" "$block"
  done < <(grep -o 'build/[A-Za-z0-9_/.-]*' "$block" | sort -u)
  echo "block $n: running"
  sed 's/^/    /' "$block"
  if ! (cd "$WORK" && bash -e -o pipefail "$block" >"$WORK/blocks/$n.log" 2>&1); then
    echo "block $n FAILED:" >&2
    cat "$WORK/blocks/$n.log" >&2
    status=1
  fi
  ran=$((ran + 1))
done
[ $ran -gt 0 ] || {
  echo "no block of the README ran" >&2
  status=1
}
exit $status
