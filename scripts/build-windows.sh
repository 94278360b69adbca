#!/usr/bin/env bash
# Installs what is missing and cross-builds Zorvel for 64-bit Windows into
# build-windows/ (the program: build-windows/bin/Zorvel.exe), or into
# $ZORVEL_BUILD_DIR when that is set.
# Qt for Windows comes from $ZORVEL_QT_WINDOWS, else ../shared/toolchains/
# qt6-windows-x64 beside the checkout, else it is built once (about an hour)
# into ${XDG_CACHE_HOME:-~/.cache}/zorvel/qt6-windows-x64. The mail libraries
# of zorvel-mail.dll are found the same way: $ZORVEL_MAIL_WINDOWS, else
# ../shared/toolchains/mail-windows-x64, else built once (about 12 minutes)
# into ${XDG_CACHE_HOME:-~/.cache}/zorvel/mail-windows-x64.
# Usage: scripts/build-windows.sh [--no-toolchain-build] [extra cmake options...]
#   --no-toolchain-build  fail instead of building Qt or the mail libraries
#                         when they are not found (CI); --no-qt-build is the
#                         same option under its old name
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${ZORVEL_BUILD_DIR:-$root/build-windows}"

may_build=yes
if [ "${1:-}" = "--no-toolchain-build" ] || [ "${1:-}" = "--no-qt-build" ]; then
  may_build=no
  shift
fi

. "$root/scripts/lib/steps.sh"

# find_toolchain OVERRIDE FOLDER FILE: sets `found` to the first of
# OVERRIDE, ../shared/toolchains/FOLDER beside the checkout and the cache's
# FOLDER that holds FILE; empty when none does.
find_toolchain() {
  found=""
  for candidate in "$1" "$root/../shared/toolchains/$2" "$cache/$2"; do
    if [ -n "$candidate" ] && [ -f "$candidate/$3" ]; then
      found=$(cd "$candidate" && pwd)
      return
    fi
  done
}

# toolchain NAME WHAT VARIABLE FOLDER FILE SCRIPT HOW-LONG: sets `found` to
# WHAT ("mail libraries"; NAME is "the mail libraries") as find_toolchain
# finds it, building it once into the cache with SCRIPT when it is missing
# and may be built.
toolchain() {
  local name=$1 what=$2 variable=$3 folder=$4 file=$5 script=$6 how_long=$7
  local override=${!variable:-}
  find_toolchain "$override" "$folder" "$file"
  if [ -n "$found" ]; then
    return
  fi
  if [ -n "$override" ]; then
    echo "$variable=$override holds no $what for Windows." >&2
    exit 1
  fi
  if [ "$may_build" = no ]; then
    echo "No $what for Windows: set $variable or provide ../shared/toolchains/$folder." >&2
    exit 1
  fi
  echo "Building $name for Windows once into $cache/$folder ($how_long)..."
  step "Building $name for Windows" bash "$root/scripts/$script" "$cache/$folder"
  find_toolchain "" "$folder" "$file"
  if [ -z "$found" ]; then
    echo "Building $name for Windows left no $what in $cache/$folder." >&2
    exit 1
  fi
}

# Compiler and linker flags exported in the shell (Debian's hardening flags
# for a Linux build, say) are for this machine's compilers; mingw's linker
# refuses some of them. The cross-build takes its flags from its options only.
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS

cache="${XDG_CACHE_HOME:-$HOME/.cache}/zorvel"
step "Installing the packages for the Windows build" bash "$root/scripts/install-deps.sh" --windows
toolchain Qt Qt ZORVEL_QT_WINDOWS qt6-windows-x64 lib/cmake/Qt6/qt.toolchain.cmake \
  build-qt-windows.sh "about an hour"
qt=$found
toolchain "the mail libraries" "mail libraries" ZORVEL_MAIL_WINDOWS mail-windows-x64 lib/pkgconfig/gmime-3.0.pc \
  build-mail-windows.sh "about 12 minutes"
mail=$found
# -O2, not -O3: GCC 12 warns falsely about std::string at -O3.
step "Configuring the Windows build" cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DZORVEL_MAIL_WINDOWS="$mail" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake "$@"
step "Building Zorvel for Windows" cmake --build "$build" -j "$(nproc)"
