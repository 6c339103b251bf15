#!/usr/bin/env bash
# The product's main job, here on Linux: installs what is missing, builds the DLL and the
# sandbox, registers the DLL in a Wine prefix with regsvr32 and starts the sandbox (a
# folder window with two tabs, a real shell folder view and a stand-in of the DirectUI
# items view, and a page window, with the DLL attached to each).
#   With a display: the windows open for you to draw gestures with the right button.
#   Without one, or with --tour: a scripted tour under Xvfb with real injected input,
#   printing each step and what the DLL did, and saving screenshots.
#   --flat: the folder window in the older layout (the view a direct child of the window,
#   one tab) instead of Explorer's since Windows 7.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${CC_BUILD_DIR:-$root/build}"
demo="$build/demo"

tour=0
layout=()
for arg in "$@"; do
  case "$arg" in
    --tour) tour=1 ;;
    --flat) layout=(--flat) ;;
    *) echo "usage: $0 [--tour] [--flat]" >&2; exit 2 ;;
  esac
done
if [ -z "${DISPLAY:-}" ]; then tour=1; fi

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build/win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine-run.sh" >/dev/null
cmake --build "$build/win64" --target CursorCadence cursorcadence_sandbox

mkdir -p "$demo"
source "$root/scripts/wine-session.sh"
if [ "$tour" = 1 ]; then
  trap wine_session_stop EXIT
  wine_session_start "$demo"
else
  export WINEPREFIX="$demo/wineprefix" WINEDEBUG=-all
  [ -d "$WINEPREFIX" ] || WINEDLLOVERRIDES="mscoree=;mshtml=" wineboot -i >/dev/null 2>&1
fi

# The DLL is registered from a copy of its own, so its settings file, marker files and
# favourites live in the demo folder.
mkdir -p "$demo/CursorCadence"
cp "$build/win64/bin/CursorCadence.dll" "$demo/CursorCadence/"
dll=$(winepath -w "$demo/CursorCadence/CursorCadence.dll")
wine regsvr32 /s "$dll"
echo "registered $dll"

shots="$demo/screenshots"
rm -rf "$shots"
mkdir -p "$shots"
export CC_SCREENSHOT_DIR
CC_SCREENSHOT_DIR=$(winepath -w "$shots")

status=0
if [ "$tour" = 1 ]; then
  wine "$build/win64/bin/cursorcadence_sandbox.exe" --tour "${layout[@]}" || status=$?
  for bmp in "$shots"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
  echo "screenshots of the tour: $shots"
else
  wine "$build/win64/bin/cursorcadence_sandbox.exe" "${layout[@]}" || status=$?
fi
exit "$status"
