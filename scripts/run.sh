#!/usr/bin/env bash
# Installs what is missing, builds, and starts Zorvel.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh" "$root/build"
exec "$root/build/bin/zorvel" "$@"
