#!/usr/bin/env bash
# Runs clang-tidy with the checks in .clang-tidy over the product code: every
# source of the product folders that the native build compiles (the
# Windows-only sources are left to the cross compilers' warnings). Fails on
# any finding.
#
#   scripts/tidy.sh [FOLDER...]    (default: every product folder)
set -euo pipefail
PXB_ROOT=$(cd "$(dirname "$0")/.." && pwd)
build="$PXB_ROOT/build-tidy"
cmake -S "$PXB_ROOT" -B "$build" -G Ninja -DPXB_TESTS=OFF -DPXB_TOOLS=ON -DPXB_BENCH=OFF \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cd "$PXB_ROOT"
folders=("$@")
if [ ${#folders[@]} -eq 0 ]; then
  folders=(interface engine primitives evolution storage resources host ui imageio plugin gimp
    testhost tools)
fi
# The sources of those folders in the compilation database.
sources=$(/usr/bin/python3 - "$build/compile_commands.json" "$PXB_ROOT" "${folders[@]}" <<'PY'
import json, os, sys
database, root, folders = sys.argv[1], sys.argv[2], sys.argv[3:]
seen = set()
for entry in json.load(open(database)):
    path = os.path.relpath(os.path.join(entry["directory"], entry["file"]), root)
    if path.split(os.sep)[0] in folders and path not in seen:
        seen.add(path)
        print(path)
PY
)
[ -n "$sources" ] || {
  echo "tidy.sh: no sources in ${folders[*]}" >&2
  exit 1
}
# clang-tidy counts the warnings it suppresses in system headers; only its
# findings are shown.
echo "$sources" | sort |
  xargs -P "${PXB_JOBS:-$(nproc)}" -n 4 clang-tidy -p "$build" --quiet 2>&1 |
  { grep -v 'warnings generated' || true; }
