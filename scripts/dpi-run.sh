#!/usr/bin/env bash
# Runs a command with the screen at another scale: its own Xvfb display and a fresh Wine
# prefix whose LogPixels is DPI, removed afterwards. CC_EXPECT_DPI tells the programs the
# scale they must find.
#   dpi-run.sh DPI COMMAND [ARGUMENTS...]
set -u
dpi="$1"
shift
export CC_TEST_DPI="$dpi" CC_EXPECT_DPI="$dpi"
run_dir=$(mktemp -d "${TMPDIR:-/tmp}/cc-dpi$dpi-XXXXXX")
source "$(dirname "$0")/wine-session.sh"
cleanup() {
  wine_session_stop
  rm -rf "$run_dir"
}
trap cleanup EXIT
wine_session_start "$run_dir" || exit 1
"$@"
