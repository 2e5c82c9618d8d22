#!/usr/bin/env bash
# Configures and builds one flavour: "release" (build/), "asan" (build-asan/,
# AddressSanitizer and UBSan, no benchmarks) or "windows" (build-windows/, the
# 64-bit Windows binaries cross-built with MinGW-w64; the dependencies are
# built once by scripts/windows-deps.sh into .cache/windows-deps).
set -euo pipefail
cd "$(dirname "$0")/.."
flavour=${1:-release}
case "$flavour" in
  release) dir=build; extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan)    dir=build-asan; extra=(-DCMAKE_BUILD_TYPE=Debug -DVK_SANITIZE=ON -DVK_BUILD_BENCH=OFF) ;;
  windows)
    deps=$(scripts/windows-deps.sh)
    dir=build-windows
    extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake"
           -DVK_WINDEPS="$deps") ;;
  *) echo "usage: $0 [release|asan|windows]" >&2; exit 2 ;;
esac
cmake -S . -B "$dir" -G Ninja "${extra[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" ${VK_BUILD_TARGETS:+--target $VK_BUILD_TARGETS}
