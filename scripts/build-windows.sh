#!/usr/bin/env bash
# Installs what is missing and cross-builds Zorvel for 64-bit Windows into
# build-windows/ (the program: build-windows/bin/Zorvel.exe), or into
# $ZORVEL_BUILD_DIR when that is set.
# Qt for Windows comes from $ZORVEL_QT_WINDOWS, else ../shared/toolchains/
# qt6-windows-x64 beside the checkout, else it is built once (about an hour)
# into ${XDG_CACHE_HOME:-~/.cache}/zorvel/qt6-windows-x64.
# Usage: scripts/build-windows.sh [--no-qt-build] [extra cmake options...]
#   --no-qt-build  fail instead of building Qt when none is found (CI)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${ZORVEL_BUILD_DIR:-$root/build-windows}"

may_build_qt=yes
if [ "${1:-}" = "--no-qt-build" ]; then
  may_build_qt=no
  shift
fi

find_qt() {
  local cache="${XDG_CACHE_HOME:-$HOME/.cache}/zorvel/qt6-windows-x64"
  for candidate in "${ZORVEL_QT_WINDOWS:-}" "$root/../shared/toolchains/qt6-windows-x64" "$cache"; do
    if [ -n "$candidate" ] && [ -f "$candidate/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
      (cd "$candidate" && pwd)
      return
    fi
  done
  if [ -n "${ZORVEL_QT_WINDOWS:-}" ]; then
    echo "ZORVEL_QT_WINDOWS=$ZORVEL_QT_WINDOWS holds no Qt for Windows." >&2
    exit 1
  fi
  if [ "$may_build_qt" = no ]; then
    echo "No Qt for Windows: set ZORVEL_QT_WINDOWS or provide ../shared/toolchains/qt6-windows-x64." >&2
    exit 1
  fi
  echo "Building Qt for Windows once into $cache (about an hour)..." >&2
  bash "$root/scripts/build-qt-windows.sh" "$cache" >&2
  echo "$cache"
}

bash "$root/scripts/install-deps.sh" --windows
qt=$(find_qt)
# -O2, not -O3: GCC 12 warns falsely about std::string at -O3.
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake "$@"
cmake --build "$build" -j "$(nproc)"
