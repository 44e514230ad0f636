#!/usr/bin/env bash
# Builds the Windows plug-in (PXBREED.8bf, x86_64 and i686) and pxhost.exe
# with mingw-w64, and checks them: the 64-bit DLL runs under Wine in Xvfb
# and filters the sample image exactly as the native build does; the 32-bit
# DLL's exports, imports and resources are checked without running it.
#
#   scripts/windows.sh [NATIVE_BUILD_DIR]
#
# NATIVE_BUILD_DIR is a native build with pxres, pixbreed and pxhost built
# (default: build-win-native, configured and built here when missing).
# Windows builds go to build-win64 and build-win32.
set -euo pipefail
PXB_ROOT=$(cd "$(dirname "$0")/.." && pwd)
export PXB_ROOT
# shellcheck source=deps.sh
source "$PXB_ROOT/scripts/deps.sh"
pxb_install_packages g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 xvfb xauth \
  fonts-wine python3 python3-pefile libstb-dev

NATIVE=${1:-$PXB_ROOT/build-win-native}
if [ ! -f "$NATIVE/CMakeCache.txt" ]; then
  cmake -S "$PXB_ROOT" -B "$NATIVE" -G Ninja -DPXB_TESTS=OFF -DPXB_BENCH=OFF >/dev/null
fi
cmake --build "$NATIVE" --target pxres pixbreed pxhost pxcompare
NATIVE=$(cd "$NATIVE" && pwd)
W64=$PXB_ROOT/build-win64
W32=$PXB_ROOT/build-win32
for arch in x86_64 i686; do
  dir=$W64
  [ $arch = i686 ] && dir=$W32
  cmake -S "$PXB_ROOT" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PXB_ROOT/cmake/mingw-$arch.cmake" \
    -DPXB_TESTS=OFF -DPXB_BENCH=OFF -DPXB_NATIVE_PXRES="$NATIVE/plugin/pxres" >/dev/null
  cmake --build "$dir" --target pxbreed pxbreed_test pxhost
done

FAILED=0
fail() {
  echo "FAIL: $*" >&2
  FAILED=1
}

# --- Both DLLs: exports, imports, resources ---
for arch in x86_64 i686; do
  dir=$W64
  [ $arch = i686 ] && dir=$W32
  echo "== checks of the $arch DLL"
  "$arch-w64-mingw32-objdump" -p "$dir/plugin/PXBREED.8bf" >"$dir/objdump.txt"
  # The shipped DLL exports exactly its entry point and the dialog procedure,
  # undecorated; test hooks are only in the test build.
  exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p' "$dir/objdump.txt" |
    sort | tr '\n' ' ')
  echo "exports: $exports"
  [ "$exports" = "ENTRYPOINT PxbreedProc " ] || fail "$arch: the DLL exports $exports"
  "$arch-w64-mingw32-objdump" -p "$dir/plugin/test/PXBREED.8bf" >"$dir/objdump-test.txt"
  grep -qE '\] PxbreedPreviewsIdle$' "$dir/objdump-test.txt" ||
    fail "$arch: the test build does not export PxbreedPreviewsIdle"
  imports=$(sed -n 's/^\s*DLL Name: //p' "$dir/objdump.txt" | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
  echo "imports: $imports"
  for dll in $imports; do
    case $dll in
      kernel32.dll | user32.dll | gdi32.dll | comctl32.dll | comdlg32.dll | msvcrt.dll | \
        advapi32.dll | shell32.dll | ole32.dll) ;;
      *) fail "$arch: imports $dll" ;;
    esac
  done
  /usr/bin/python3 "$PXB_ROOT/tests/windows/pe_resources.py" "$dir/plugin/PXBREED.8bf" "$dir/plugin/res" ||
    fail "$arch: resources"
done

# --- The 64-bit DLL under Wine ---
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
WORK=$(mktemp -d /tmp/pxb-windows.XXXXXX)
export WINEPREFIX=$WORK/prefix WINEDEBUG=-all
cleanup() {
  WINEPREFIX=$WORK/prefix "$WINESERVER" -k 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
mkdir -p "$WINEPREFIX"
cat >"$WORK/settings.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
REG
echo "== preparing a Wine prefix"
timeout -k 10 180 xvfb-run -a -s "-screen 0 1024x768x24" sh -c \
  "'$WINE' wineboot -i >/dev/null 2>&1; '$WINE' regedit '$WORK/settings.reg' >/dev/null 2>&1; '$WINESERVER' -w"
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
# The filters run on the shipped DLL; the scripted dialogs need the test
# build's hook to wait for the previews.
cp "$W64/plugin/PXBREED.8bf" "$W64/testhost/pxhost.exe" "$WORK/"
mkdir -p "$WORK/test"
cp "$W64/plugin/test/PXBREED.8bf" "$WORK/test/"

winpath() { echo "Z:$1" | tr / '\\'; }

# Filters: members of sessions grown natively from fixed seeds; each copy of
# a session has a different member chosen.
echo "== filters"
mkdir -p "$WORK/native" "$WORK/wine" "$WORK/sessions"
cp "$PXB_ROOT/samples/sample.png" "$WORK/sample.png"
cp "$PXB_ROOT/tests/ui/scripts/session.pxs" "$WORK/session.pxs"
SEEDS=${PXB_WINDOWS_SEEDS:-"11 4242 60001"}
for seed in $SEEDS; do
  "$NATIVE/tools/pixbreed" new "$WORK/sessions/s$seed.gds" --seed "$seed" --force >/dev/null
  for k in 0 1 2 3 4 5 6 7 8; do
    s=$WORK/sessions/s${seed}_$k.gds
    cp "$WORK/sessions/s$seed.gds" "$s"
    "$NATIVE/tools/pixbreed" pick "$s" "$k" >/dev/null
    "$NATIVE/tools/pixbreed" apply "$s" "$PXB_ROOT/samples/sample.png" --threads 1 \
      -o "$WORK/native/s${seed}_$k.png" >/dev/null
  done
done

# One Wine session for every run: the runs are listed in a script.
{
  echo "cd '$WORK'"
  echo "mkdir -p ui && cd ui && '$WINE' ../pxhost.exe --plugin '$(winpath "$WORK/test/PXBREED.8bf")' ../sample.png -o filtered.png --session ui.gds --ui ../session.pxs >../ui.log 2>&1; echo \"ui \$?\" >>../codes.txt; cd .."

  echo "'$WINE' pxhost.exe sample.png -o repeat.png --kept-session '$(winpath "$WORK/sessions/s11_3.gds")' --repeat-only >repeat.log 2>&1; echo \"repeat \$?\" >>codes.txt"
  for s in "$WORK"/sessions/s*_*.gds; do
    name=$(basename "$s" .gds)
    echo "'$WINE' pxhost.exe sample.png -o 'wine/$name.png' --kept-session '$(winpath "$s")' --repeat-only >>filters.log 2>&1 || echo \"$name \$?\" >>codes.txt"
  done
  echo "'$WINESERVER' -k"
} >"$WORK/runs.sh"
touch "$WORK/codes.txt"
echo "== running under Wine"
start=$(date +%s)
timeout -k 10 300 xvfb-run -a -s "-screen 0 1024x768x24" sh "$WORK/runs.sh" || fail "Wine runs timed out"
echo "Wine runs took $(($(date +%s) - start)) s"
cat "$WORK/codes.txt"
grep -q '^ui 0$' "$WORK/codes.txt" || {
  fail "the scripted breeding session under Wine"
  cat "$WORK/ui.log"
}
for f in main.png selection.png favourite.gdo ui.gds filtered.png; do
  [ -s "$WORK/ui/$f" ] || fail "the scripted session left no $f"
done
mkdir -p "$PXB_ROOT/out/windows"
cp "$WORK/ui/main.png" "$PXB_ROOT/out/windows/main-dialog.png" 2>/dev/null || true
cp "$WORK/ui/selection.png" "$PXB_ROOT/out/windows/selection-dialog.png" 2>/dev/null || true
grep -q '^repeat 0$' "$WORK/codes.txt" || {
  fail "pxhost.exe --repeat-only"
  cat "$WORK/repeat.log"
}
[ "$(grep -cv '^\(ui\|repeat\) ' "$WORK/codes.txt")" -eq 0 ] || fail "some filters failed under Wine"
cmp -s "$WORK/repeat.png" "$WORK/wine/s11_3.png" || fail "repeat differs from the same filter's run"

echo "== native against Windows"
"$NATIVE/tools/pxcompare" "$WORK/native" "$WORK/wine" || fail "comparison"

if [ $FAILED -ne 0 ]; then
  echo "windows.sh: FAILED" >&2
  exit 1
fi
echo "windows.sh: all checks passed"
