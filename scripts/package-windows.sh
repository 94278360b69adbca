#!/usr/bin/env bash
# Installs what is missing, cross-builds Zorvel for Windows and makes its
# setup program with CPack's NSIS generator:
# dist/zorvel-<version>-win64-setup.exe. Builds in build-windows/, or in
# $ZORVEL_BUILD_DIR when that is set.
# Usage: scripts/package-windows.sh [--no-toolchain-build] [extra cmake options...]
#   (passed on to scripts/build-windows.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${ZORVEL_BUILD_DIR:-$root/build-windows}"
. "$root/scripts/lib/steps.sh"

step "Building Zorvel for Windows" bash "$root/scripts/build-windows.sh" "$@"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
setup="zorvel-$version-win64-setup.exe"
rm -f "$build/$setup"
step "Making the setup program" cpack -G NSIS --config "$build/CPackConfig.cmake" -B "$build"
mkdir -p "$root/dist"
mv "$build/$setup" "$root/dist/$setup"
echo "The Windows setup: $root/dist/$setup"
