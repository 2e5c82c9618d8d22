#!/usr/bin/env bash
# Release artefacts, written to dist/:
#   scripts/package.sh windows  -> dist/vaultkeep-windows-x64.zip (programs,
#        the DLLs they need, header, import library, manual, README)
#   scripts/package.sh linux    -> dist/vaultkeep_<version>_amd64.deb (CPack)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
dist=${VK_DIST:-$root/dist}
mkdir -p "$dist"
case "${1:-}" in
  windows)
    scripts/build.sh windows >/dev/null
    bin=build-windows/bin
    stage=$(mktemp -d)
    trap 'rm -rf "$stage"' EXIT
    top=$stage/vaultkeep
    mkdir -p "$top/bin" "$top/include" "$top/lib" "$top/examples"
    cp "$bin"/vaultkeep.exe "$bin"/*.dll "$bin"/vaultkeep.html "$top/bin/"
    cp "$bin"/vk_tool_tree_view.exe "$bin"/vk_service_transfer.exe "$top/examples/"
    cp examples/*.c "$top/examples/"
    cp include/vaultkeeplib.h "$top/include/"
    cp build-windows/lib/vaultkeeplib.lib "$top/lib/"
    sed 's/$/\r/' packaging/README-windows.txt >"$top/README.txt"
    rm -f "$dist/vaultkeep-windows-x64.zip"
    (cd "$stage" && zip -q -r -9 "$dist/vaultkeep-windows-x64.zip" vaultkeep)
    echo "$dist/vaultkeep-windows-x64.zip"
    ;;
  linux)
    scripts/build.sh release >/dev/null
    (cd build && cpack -G DEB -B "$dist" >/dev/null)
    rm -rf "$dist/_CPack_Packages"
    ls "$dist"/vaultkeep_*_amd64.deb
    ;;
  *) echo "usage: $0 windows|linux" >&2; exit 2 ;;
esac
