#!/usr/bin/env bash
# Installs what is missing, builds the native tier, the Windows DLLs with their tests and
# the installer, and runs every test: the native ones under the sanitizers, the Windows ones under
# Wine on a private Xvfb display. Ends with ctest's summary; non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${CC_BUILD_DIR:-$root/build}"

"$root/scripts/install-deps.sh"
source "$root/scripts/build-trees.sh"

cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build/native"
# The fuzz targets need Clang; ctest runs each briefly over its seeds (fuzz.*.smoke).
CC=clang CXX=clang++ cmake -S "$root" -B "$build/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCC_FUZZERS=ON >/dev/null
cmake --build "$build/fuzz"
# The 32-bit DLL (for 32-bit Internet Explorer) from the same sources. Its Windows tests
# run only where this machine can run 32-bit programs under Wine.
run32=OFF
if "$root/scripts/can-run-win32.sh"; then run32=ON; fi
cc_build_windows "$root" "$build/win32" mingw-w64-i686.cmake -DCC_RUN_WINE_TESTS=$run32
[ "$run32" = ON ] || echo "note: this machine cannot run 32-bit Windows programs; the 32-bit build is checked, not run"
# The 64-bit tree also packages both DLLs into the installer, build/CursorCadence-*-x64.msi.
cc_build_windows "$root" "$build/win64" mingw-w64-x86_64.cmake \
  -DCC_DLL32="$build/win32/bin/CursorCadence.dll" -DCC_PACKAGE_DIR="$build"

# One ctest run over all trees, so one summary covers every test.
cat > "$build/CTestTestfile.cmake" <<CTEST
subdirs("native" "fuzz" "win64" "win32")
CTEST

source "$root/scripts/wine-session.sh"
trap wine_session_stop EXIT
wine_session_start "$build"

# The dialog tests save screenshots here (as BMP; turned into PNG below).
shots="$build/screenshots"
rm -rf "$shots"
mkdir -p "$shots"
export CC_SCREENSHOT_DIR="Z:$(printf '%s' "$shots" | tr '/' '\\')"

cd "$build"
status=0
ctest --output-on-failure -j2 "$@" || status=$?
for bmp in "$shots"/*.bmp; do
  [ -e "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
exit "$status"
