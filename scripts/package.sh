#!/usr/bin/env bash
# Installs what is missing, builds Zorvel for release with Debian's hardening
# flags and makes the Debian package dist/zorvel_<version>_<arch>.deb; then
# checks it with lintian and its desktop entry and AppStream file with their
# validators, failing on any error. The build folder is build-package/, or
# $ZORVEL_BUILD_DIR when that is set. Ends with the Windows installer when
# scripts/package-windows.sh is there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${ZORVEL_BUILD_DIR:-$root/build-package}"
dist="$root/dist"
cd "$root"

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/install-deps.sh" --package

# The flags Debian builds its own packages with (fortified, stack-protected,
# full RELRO); CMake takes no CPPFLAGS, so they join the compiler flags.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"
export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"
# The release flags add only NDEBUG: the optimisation level is Debian's.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS_RELEASE=-DNDEBUG -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
cmake --build "$build" --target zorvel_package_contents -j "$(nproc)"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
architecture=$(dpkg --print-architecture)
package="zorvel_${version}_${architecture}.deb"
rm -f "$build/$package"
(cd "$build" && cpack -G DEB)
mkdir -p "$dist"
mv "$build/$package" "$dist/$package"
echo "Package: $dist/$package ($(du -k "$dist/$package" | cut -f1) KiB)"

# lintian fails on errors only; its warnings are shown. Run as root it must be told it may.
echo "lintian:"
lintian --allow-root --fail-on error --display-info "$dist/$package"

contents=$(mktemp -d)
trap 'rm -rf "$contents"' EXIT
dpkg-deb -x "$dist/$package" "$contents"
desktop-file-validate "$contents"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$contents"/usr/share/metainfo/*.metainfo.xml
echo "Package checked: $dist/$package"

if [ -f "$root/scripts/package-windows.sh" ]; then
  bash "$root/scripts/package-windows.sh"
fi
