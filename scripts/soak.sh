#!/usr/bin/env bash
# The long run: every fuzz target for a fixed time, the instruction count of the move
# path, and, under Wine on a private Xvfb display, the hostile-input, lifetime-stress and
# leak tests repeated many times over and the full benchmark (mouse messages through this
# product's hook and through a low-level hook of another process, and opening windows).
# Prints every figure; non-zero on any failure or finding.
#
#   CC_FUZZ_SECONDS  seconds per fuzz target (60)
#   CC_STRESS_SCALE  how many times over the Wine tests repeat their work (10)
#   CC_HOOK_MOVES    moves per situation in the hook benchmark (5000)
#   CC_OPEN_RUNS     processes that open windows in the benchmark (20)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${CC_BUILD_DIR:-$root/build}"

"$root/scripts/install-deps.sh"
status=0

echo "== fuzzing, ${CC_FUZZ_SECONDS:-60} s per target"
"$root/scripts/fuzz.sh" "${CC_FUZZ_SECONDS:-60}" || status=1
echo
echo "== instructions per WM_MOUSEMOVE of the OS-free move path (callgrind)"
"$root/scripts/count-move-instructions.sh" || status=1
echo

source "$root/scripts/build-trees.sh"
cc_build_windows "$root" "$build/win64" mingw-w64-x86_64.cmake >/dev/null
source "$root/scripts/wine-session.sh"
trap wine_session_stop EXIT
wine_session_start "$build"

export CC_STRESS_SCALE="${CC_STRESS_SCALE:-10}"
export CC_WINE_TIMEOUT=3600
for test in hostile_test lifetime_stress_test leak_test; do
  echo "== $test, scale $CC_STRESS_SCALE"
  log=$(mktemp)
  rc=0
  "$root/scripts/wine-run.sh" "$build/win64/bin/$test.exe" >"$log" 2>&1 || rc=$?
  # The figures each test prints, the failures, and the summary.
  grep -v -e '^\[ *RUN *\]' -e '^\[ *OK *\]' -e '^\[-*\]' -e '^Note:' -e '^$' "$log" || true
  rm -f "$log"
  [ "$rc" -eq 0 ] || status=1
  echo
done

echo "== the cost of a mouse message and of opening a window"
"$root/scripts/wine-run.sh" "$build/win64/bin/hook_cost_bench.exe" --moves "${CC_HOOK_MOVES:-5000}" \
  --open-runs "${CC_OPEN_RUNS:-20}" --require-overlay-cost || status=1
echo
[ "$status" -eq 0 ] && echo "soak: everything passed" || echo "soak: FAILED (see above)"
exit "$status"
