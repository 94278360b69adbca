#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test without a display.
# With --sanitize the tests are built and run under AddressSanitizer and
# UndefinedBehaviorSanitizer, in a build folder of their own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [ "${1:-}" = "--sanitize" ]; then
  build="$root/build-sanitize"
  bash "$root/scripts/build.sh" "$build" -DZORVEL_SANITIZE=ON
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
  export LSAN_OPTIONS="suppressions=$root/scripts/lsan-suppressions.txt:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
else
  build="$root/build"
  bash "$root/scripts/build.sh" "$build"
fi

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j 2
