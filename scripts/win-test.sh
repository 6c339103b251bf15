#!/usr/bin/env bash
# One Windows test program under Wine, without building or running the rest:
#   scripts/win-test.sh dispatch_test [--gtest_filter=...]
# Builds only that program in build/win64 (configuring the tree if needed), runs it on a
# private Xvfb display with a fresh Wine prefix, and stops only what it started.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${CC_BUILD_DIR:-$root/build}"
[ $# -ge 1 ] || { echo "usage: $0 TEST_PROGRAM [arguments for it]" >&2; exit 2; }
name="$1"
shift

"$root/scripts/install-deps.sh"
if [ ! -f "$build/win64/build.ninja" ]; then
  cmake -S "$root" -B "$build/win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine-run.sh" >/dev/null
fi
cmake --build "$build/win64" --target "$name"

source "$root/scripts/wine-session.sh"
trap wine_session_stop EXIT
mkdir -p "$build/one-test"
wine_session_start "$build/one-test"
"$root/scripts/wine-run.sh" "$build/win64/bin/$name.exe" "$@"
