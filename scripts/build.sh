#!/usr/bin/env bash
# Installs what is missing, then configures and builds into a build folder.
# Usage: scripts/build.sh [build-folder] [extra cmake options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
shift || true
. "$root/scripts/lib/steps.sh"

step "Installing the packages for the build" bash "$root/scripts/install-deps.sh"
step "Configuring the build" cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
step "Building Zorvel" cmake --build "$build" -j "$(nproc)"
