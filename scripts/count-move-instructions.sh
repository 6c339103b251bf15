#!/usr/bin/env bash
# Instructions the OS-free move path executes per WM_MOUSEMOVE, per situation, counted by
# callgrind in the benchmark bench/native (built without sanitizers at -O2, its own tree
# build/bench). Only instructions inside MeasuredMove are counted (--toggle-collect); each
# scenario runs N and 2N moves and the difference divided by N is the figure, so nothing
# outside the moves themselves enters it. Instruction counts of the same binary do not
# vary from run to run. N is 1000 unless the first argument or CC_BENCH_MOVES says.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${CC_BUILD_DIR:-$root/build}/bench"
moves="${1:-${CC_BENCH_MOVES:-1000}}"
case "$moves" in
  ''|*[!0-9]*|0) echo "usage: $0 [moves, a positive whole number]" >&2; exit 2 ;;
esac

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCC_BENCH=ON >/dev/null
cmake --build "$build" -j2 >/dev/null
bench="$build/bench/native/move_bench"
out="$build/callgrind"
rm -rf "$out"
mkdir -p "$out"

# Instructions collected inside functions matching $3 over $2 moves of scenario $1.
collect() {
  local file="$out/$1.$2.$4.out"
  valgrind --tool=callgrind --collect-atstart=no --toggle-collect="$3" --callgrind-out-file="$file" \
    "$bench" "$1" "$2" >/dev/null 2>"$file.log" || { cat "$file.log" >&2; exit 1; }
  sed -n 's/^summary: *//p' "$file"
}

# Per move: (count over 2N - count over N) / N, with two decimals should it not divide.
per_move() {
  local once twice
  once=$(collect "$1" "$moves" "$2" "$3")
  twice=$(collect "$1" $((2 * moves)) "$2" "$3")
  awk -v a="$once" -v b="$twice" -v n="$moves" \
    'BEGIN { d = (b - a) / n; if (d == int(d)) printf "%d", d; else printf "%.2f", d }'
}

compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
flags=$(sed -n 's/^CMAKE_CXX_FLAGS_RELWITHDEBINFO:[A-Z]*=//p' "$build/CMakeCache.txt")
echo "compiler: $("$compiler" --version | head -n 1)"
echo "flags:    $flags -std=c++20 (no sanitizers); $(valgrind --version); N = $moves"
echo
printf '%-22s %8s %12s  %s\n' scenario "Ir/move" "status text" "situation"
while IFS=$'\t' read -r scenario what; do
  total=$(per_move "$scenario" '*bench::MeasuredMove*' move)
  text=$(per_move "$scenario" '*BuildGestureStatusText*' text)
  [ "$text" = 0 ] && text="-"
  printf '%-22s %8s %12s  %s\n' "$scenario" "$total" "$text" "$what"
done < <("$bench" --list)
echo
echo "Ir/move: everything TrackMove does for the move apart from platform calls; status text:"
echo "the part of it spent building the status text after a recorded stroke."
