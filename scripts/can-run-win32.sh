#!/usr/bin/env bash
# Exit 0 when Wine can run 32-bit Windows programs here: the 32-bit loader is installed
# and the kernel executes 32-bit binaries.
loader=/usr/lib/wine/wine
[ -x "$loader" ] || exit 1
"$loader" --version >/dev/null 2>&1
