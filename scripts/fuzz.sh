#!/usr/bin/env bash
# The long fuzzing run: builds the fuzz tree (Clang, sanitizers) and runs every fuzz
# target for a fixed time each, 60 s unless the first argument or CC_FUZZ_SECONDS says
# otherwise. The seeds in fuzz/corpus/ are only read; what a run adds goes to
# build/fuzz/corpus/<target>, and what it finds to build/fuzz/findings/<time>/<target>.
# Prints per target the executions, exec/s, coverage and the outcome; non-zero on any
# finding.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${CC_BUILD_DIR:-$root/build}/fuzz"
seconds="${1:-${CC_FUZZ_SECONDS:-60}}"
case "$seconds" in
  ''|*[!0-9]*|0) echo "usage: $0 [seconds per target, a positive whole number]" >&2; exit 2 ;;
esac

"$root/scripts/install-deps.sh"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCC_FUZZERS=ON >/dev/null
cmake --build "$build" -j2

run="$build/findings/$(date +%Y%m%d-%H%M%S)"
mkdir -p "$build/logs"
status=0
printf '%-26s %12s %9s %6s %7s  %s\n' target executions exec/s cov ft result
while read -r target max_len; do
  corpus="$build/corpus/$target"
  findings="$run/$target"
  log="$build/logs/$target.log"
  mkdir -p "$corpus" "$findings"
  rc=0
  "$build/fuzz/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$corpus" "$root/fuzz/corpus/$target" >"$log" 2>&1 || rc=$?

  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  # A run that stopped on a finding prints no final statistics: take its last status line.
  [ -n "$executions" ] || executions=$(grep -o '^#[0-9]*' "$log" | tail -n 1 | tr -d '#' || true)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  # Coverage as libFuzzer counts it: edges (cov) and features (ft) of the instrumented core.
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2 || true)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2 || true)
  found=$(find "$findings" -type f | wc -l)
  if [ "$rc" -ne 0 ] || [ "$found" -ne 0 ]; then
    status=1
    result="FOUND (exit $rc): $(find "$findings" -type f -printf '%f ') log: $log"
  else
    result="nothing found"
    rmdir "$findings"
  fi
  printf '%-26s %12s %9s %6s %7s  %s\n' "$target" "${executions:-?}" "${rate:-?}" "${cov:-?}" "${ft:-?}" "$result"
  if [ "$rc" -ne 0 ]; then
    grep -m 3 -E 'check failed|ERROR: |runtime error' "$log" | sed 's/^/    /' || true
  fi
done < "$build/fuzz/targets.txt"
rmdir "$run" 2>/dev/null || true
exit "$status"
