#!/usr/bin/env bash
# ctest's emulator for the Windows test programs: runs one under Wine with a time limit.
# scripts/test.sh provides the display and the prefix.
#
# The program's output goes through a file: helper processes that Wine starts on first
# use (the desktop process, services) inherit the program's output handles and outlive
# it, and on a pipe they would keep ctest waiting for the end of the output.
set -u
if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
  echo "no DISPLAY/WINEPREFIX: run the Windows tests through scripts/test.sh" >&2
  exit 2
fi
export WINEDEBUG="${WINEDEBUG:--all}"
output=$(mktemp)
timeout -k 5 "${CC_WINE_TIMEOUT:-170}" wine "$@" >"$output" 2>&1 </dev/null
rc=$?
# A test that ended while holding a modifier in the X server must not leave it held for
# the next program.
command -v xdotool >/dev/null && xdotool keyup Control_L Shift_L Alt_L >/dev/null 2>&1
cat "$output"
rm -f "$output"
[ "$rc" -eq 124 ] && echo "wine-run: time limit reached" >&2
exit "$rc"
