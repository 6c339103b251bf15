# Sourced by the scripts that build: one function per kind of build tree.
#   cc_build_windows ROOT TREE TOOLCHAIN [cmake options]   the DLL, its tests, the benchmark

cc_build_windows() {
  local root="$1" tree="$2" toolchain="$3"
  shift 3
  cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine-run.sh" "$@" >/dev/null
  cmake --build "$tree"
}
