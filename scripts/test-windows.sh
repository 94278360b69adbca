#!/usr/bin/env bash
# Installs what is missing, cross-builds Zorvel for Windows and runs every
# Windows test under Wine (a throw-away prefix and Xvfb display that CTest
# starts and removes). Options are passed on to build-windows.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build-windows.sh" "$@"
# One at a time: the widget tests share one display and its focus.
ctest --test-dir "${ZORVEL_BUILD_DIR:-$root/build-windows}" --output-on-failure -j 1
