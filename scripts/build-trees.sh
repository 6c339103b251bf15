# Sourced by the scripts that build: one function per kind of build tree.
#   cc_configure_windows ROOT TREE TOOLCHAIN [cmake options]   a Windows tree, configured
#   cc_build_windows ROOT TREE TOOLCHAIN [cmake options]       the DLL, its tests, the benchmark
#                                                              (and, 64-bit, the installer)

cc_configure_windows() {
  local root="$1" tree="$2" toolchain="$3"
  shift 3
  cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine-run.sh" "$@" >/dev/null
}

cc_build_windows() {
  cc_configure_windows "$@"
  cmake --build "$2"
}
