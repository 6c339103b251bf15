#!/usr/bin/env bash
# ctest's run of the demo tour: registers the built DLL in the test prefix, runs the
# sandbox's scripted tour, and unregisters the DLL again. Exit code: the tour's.
#   tour-test.sh BIN_DIR [--flat]   (--flat: the folder window in the older flat layout)
set -u
bin="$1"
shift
dll=$(winepath -w "$bin/CursorCadence.dll")
export CC_SCREENSHOT_DIR="${CC_SCREENSHOT_DIR:-}"
"$(dirname "$0")/wine-run.sh" regsvr32 /s "$dll" || exit 1
"$(dirname "$0")/wine-run.sh" "$bin/cursorcadence_sandbox.exe" --tour "$@"
status=$?
"$(dirname "$0")/wine-run.sh" regsvr32 /u /s "$dll"
rm -rf "$bin/Links" "$bin/setting"
exit "$status"
