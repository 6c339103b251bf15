#!/usr/bin/env bash
# ctest's emulator for the Windows test programs: runs one under Wine with a time limit.
# scripts/test.sh provides the display and the prefix.
set -u
if [ -z "${DISPLAY:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
  echo "no DISPLAY/WINEPREFIX: run the Windows tests through scripts/test.sh" >&2
  exit 2
fi
export WINEDEBUG="${WINEDEBUG:--all}"
exec timeout -k 5 "${CC_WINE_TIMEOUT:-170}" wine "$@"
