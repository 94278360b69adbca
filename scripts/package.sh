#!/usr/bin/env bash
# Installs what is missing, builds Zorvel for release with Debian's hardening
# flags and makes the Debian package dist/zorvel_<version>_<arch>.deb; then
# checks it with lintian and its desktop entry and AppStream file with their
# validators, failing on any error. The build folder is build-package/, or
# $ZORVEL_BUILD_DIR when that is set. The Windows setup is made by
# scripts/package-windows.sh, on its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${ZORVEL_BUILD_DIR:-$root/build-package}"
dist="$root/dist"
cd "$root"
. "$root/scripts/lib/steps.sh"

step "Installing the packages for the build" bash "$root/scripts/install-deps.sh"
step "Installing the packages for packaging" bash "$root/scripts/install-deps.sh" --package

# The flags Debian builds its own packages with (fortified, stack-protected,
# full RELRO), handed to this build's configure alone and never exported, so
# that no other build started from the same shell gets them. CMake takes no
# CPPFLAGS, so they join the compiler flags.
debian_flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
cppflags=$(debian_flags CPPFLAGS)
cflags=$(debian_flags CFLAGS)
cxxflags=$(debian_flags CXXFLAGS)
ldflags=$(debian_flags LDFLAGS)
# The release flags add only NDEBUG: the optimisation level is Debian's.
step "Configuring the package build" cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS="$cflags $cppflags" -DCMAKE_CXX_FLAGS="$cxxflags $cppflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" \
  -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" \
  -DCMAKE_C_FLAGS_RELEASE=-DNDEBUG -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
step "Building the package's contents" cmake --build "$build" --target zorvel_package_contents -j "$(nproc)"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
architecture=$(dpkg --print-architecture)
package="zorvel_${version}_${architecture}.deb"
rm -f "$build/$package"
step "Making the Debian package" cpack -G DEB --config "$build/CPackConfig.cmake" -B "$build"
mkdir -p "$dist"
mv "$build/$package" "$dist/$package"
echo "Package: $dist/$package ($(du -k "$dist/$package" | cut -f1) KiB)"

# lintian fails on errors only; its warnings are shown. Run as root it must be told it may.
echo "lintian:"
step "Checking the package with lintian" lintian --allow-root --fail-on error --display-info "$dist/$package"

contents=$(mktemp -d)
trap 'rm -rf "$contents"' EXIT
step "Unpacking the package" dpkg-deb -x "$dist/$package" "$contents"
step "Checking the desktop entry" desktop-file-validate "$contents"/usr/share/applications/*.desktop
step "Checking the AppStream description" \
  appstreamcli validate --no-net "$contents"/usr/share/metainfo/*.metainfo.xml
echo "Package checked: $dist/$package"
