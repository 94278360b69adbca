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

. "$root/scripts/lib/steps.sh"

# Sets `qt` to the first Qt for Windows found; empty when there is none.
find_qt() {
  qt=""
  for candidate in "${ZORVEL_QT_WINDOWS:-}" "$root/../shared/toolchains/qt6-windows-x64" "$qt_cache"; do
    if [ -n "$candidate" ] && [ -f "$candidate/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
      qt=$(cd "$candidate" && pwd)
      return
    fi
  done
}

# Compiler and linker flags exported in the shell (Debian's hardening flags
# for a Linux build, say) are for this machine's compilers; mingw's linker
# refuses some of them. The cross-build takes its flags from its options only.
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS

qt_cache="${XDG_CACHE_HOME:-$HOME/.cache}/zorvel/qt6-windows-x64"
step "Installing the packages for the Windows build" bash "$root/scripts/install-deps.sh" --windows
find_qt
if [ -z "$qt" ]; then
  if [ -n "${ZORVEL_QT_WINDOWS:-}" ]; then
    echo "ZORVEL_QT_WINDOWS=$ZORVEL_QT_WINDOWS holds no Qt for Windows." >&2
    exit 1
  fi
  if [ "$may_build_qt" = no ]; then
    echo "No Qt for Windows: set ZORVEL_QT_WINDOWS or provide ../shared/toolchains/qt6-windows-x64." >&2
    exit 1
  fi
  echo "Building Qt for Windows once into $qt_cache (about an hour)..."
  step "Building Qt for Windows" bash "$root/scripts/build-qt-windows.sh" "$qt_cache"
  find_qt
  if [ -z "$qt" ]; then
    echo "Building Qt for Windows left no Qt in $qt_cache." >&2
    exit 1
  fi
fi
# -O2, not -O3: GCC 12 warns falsely about std::string at -O3.
step "Configuring the Windows build" cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake "$@"
step "Building Zorvel for Windows" cmake --build "$build" -j "$(nproc)"
