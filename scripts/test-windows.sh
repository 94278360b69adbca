#!/usr/bin/env bash
# Installs what is missing, cross-builds Zorvel for Windows, makes its setup
# program and runs every Windows test under Wine (a throw-away prefix and
# Xvfb display that CTest starts and removes). Options are passed on to
# build-windows.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${ZORVEL_BUILD_DIR:-$root/build-windows}"
. "$root/scripts/lib/steps.sh"
step "Building Zorvel for Windows" bash "$root/scripts/build-windows.sh" "$@"
# The setup program, for the test that installs and uninstalls it.
step "Making the setup program" cpack -G NSIS --config "$build/CPackConfig.cmake" -B "$build" >/dev/null
# One at a time: the widget tests share one display and its focus.
ctest --test-dir "$build" --output-on-failure -j 1
