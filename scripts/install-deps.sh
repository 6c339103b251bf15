#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those missing.
#   install-deps.sh [--package]
set -euo pipefail

# What building the DLLs and the installer needs (scripts/build-installer.sh asks for only
# these with --package); the tests need the rest too.
packages=(
  cmake ninja-build googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64-x86-64
  wixl
)
if [ "${1:-}" != --package ]; then
  packages+=(
    g++ wine wine64 xvfb xauth xdotool imagemagick fonts-ipafont-gothic
    clang libclang-rt-14-dev valgrind msitools
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
