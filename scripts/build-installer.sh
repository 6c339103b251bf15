#!/usr/bin/env bash
# Builds only what a Windows user installs: both DLLs and the installer package
# build/CursorCadence-<version>-x64.msi (no tests). Installs what is missing first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${CC_BUILD_DIR:-$root/build}"

"$root/scripts/install-deps.sh" --package
source "$root/scripts/build-trees.sh"
cc_configure_windows "$root" "$build/win32" mingw-w64-i686.cmake
cmake --build "$build/win32" --target CursorCadence
cc_configure_windows "$root" "$build/win64" mingw-w64-x86_64.cmake \
  -DCC_DLL32="$build/win32/bin/CursorCadence.dll" -DCC_PACKAGE_DIR="$build"
cmake --build "$build/win64" --target installer
ls "$build"/CursorCadence-*-x64.msi
