#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need;
# with --windows, those that cross-building for Windows and testing under
# Wine need; with --package, those that building the Debian package, checking
# it and testing it installed need. Only asks apt when something is missing,
# so a second run costs nothing.
set -euo pipefail

if [ "${1:-}" = "--windows" ]; then
  packages=(
    cmake ninja-build
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    qt6-base-dev qt6-base-dev-tools
    libz-mingw-w64-dev  # the mail provider links it statically
    wine64 fonts-wine
    xvfb openbox
    nsis
    python3 python3-aiosmtpd openssl  # the provider's tests, through the Wine session's bridge
  )
elif [ "${1:-}" = "--package" ]; then
  packages=(
    dpkg-dev fakeroot file lintian desktop-file-utils appstream
    python3 python3-aiosmtpd openssl xvfb x11-utils
  )
else
  packages=(
    cmake ninja-build g++ pkg-config git
    qt6-base-dev libgl-dev
    libsqlite3-dev
    libgmime-3.0-dev libcurl4-openssl-dev libssl-dev
    fonts-liberation fontconfig clang-format-15
    python3 python3-aiosmtpd msmtp openssl ca-certificates time
    dovecot-imapd  # the tests' private IMAP server; its system service stays off
    xvfb openbox  # the display bench/startup times the window on
  )
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q

# Dovecot's package would start its system service, listening on every
# interface; the tests run their own on 127.0.0.1. A policy that forbids
# starting services holds it back during the install, and the service is
# disabled afterwards.
policy=/usr/sbin/policy-rc.d
policy_added=no
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | "${as_root[@]}" tee "$policy" >/dev/null
  "${as_root[@]}" chmod 755 "$policy"
  policy_added=yes
fi
status=0
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" || status=$?
if [ "$policy_added" = yes ]; then
  "${as_root[@]}" rm -f "$policy"
fi
[ "$status" -eq 0 ] || exit "$status"
if [ -e /etc/init.d/dovecot ]; then
  "${as_root[@]}" update-rc.d dovecot disable >/dev/null 2>&1 || true
fi
