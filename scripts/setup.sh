#!/usr/bin/env bash
# Installs every package the build, the tests and the demo need (Debian 12).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libzip-dev zlib1g-dev
  qt6-base-dev libgl-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  zip unzip p7zip-full python3 xvfb xauth xdg-utils fonts-dejavu-core
  # Windows cross build (MinGW-w64, POSIX threads) and the Wine that runs its tests
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libz-mingw-w64-dev wine64 dpkg-dev
  # Wine's own fonts (the caption buttons of windows it draws use Marlett)
  fonts-wine
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
