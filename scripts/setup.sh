#!/usr/bin/env bash
# Installs what the build and the tests need, from Debian's packages only.
# Idempotent: when everything is present it checks and returns in seconds.
set -euo pipefail

PACKAGES=(
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  libz-mingw-w64-dev
  wine wine64
  xvfb xauth x11-utils imagemagick
  cmake make googletest python3 openssl
  nsis
  fonts-noto-cjk fonts-dejavu-core fonts-liberation
)

# Only the 64-bit Wine is installed: these machines run no 32-bit Linux
# programs (the kernel has 32-bit emulation switched off), so the 32-bit Wine
# loader cannot start. The release programs are still built for i686; the
# tests run a 64-bit build of the same code under the 64-bit Wine.
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "setup: installing ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${PACKAGES[@]}" >/dev/null
echo "setup: done"
