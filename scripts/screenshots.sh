#!/usr/bin/env bash
# Saves PNG pictures of the program's windows on the demo installation:
#   scripts/screenshots.sh [FOLDER]           the Qt renderer, offscreen
#                                             (needs scripts/build.sh release)
#   scripts/screenshots.sh windows [FOLDER]   the Windows renderer under Wine,
#                                             drawing into a virtual X display
#                                             (needs scripts/build.sh windows)
# FOLDER defaults to docs/screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = windows ]; then
  shift
  out=$(realpath -m "${1:-docs/screenshots}")
  mkdir -p "$out"
  bin=$PWD/build-windows/bin
  wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
  export WINEPREFIX=${WINEPREFIX:-$PWD/build-windows/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  unset VAULTKEEP_HEADLESS VAULTKEEP_ANSWERS QT_QPA_PLATFORM
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  demo/make-installation.sh "$work/inst" >/dev/null
  # Wine's drive Z: is the Unix root; the Windows side reads the registry
  # file named here instead of the registry.
  export VAULTKEEP_REGISTRY="Z:$work/inst/registry.reg" VK_SCREENSHOT_DIR="Z:$out" wine bin work out
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    set -e
    # The library dialogs 111 and 109 and a tool tree, pictured by their tests.
    "$wine" "$bin/vk_lib_wingui_tests.exe" >/dev/null
    # The main window: the program itself, pictured from the display.
    (cd "$work/inst/bin" && exec "$wine" "$bin/vaultkeep.exe") &
    title="Talvern Backup from Version 7"
    for _ in $(seq 120); do
      import -window "$title" "$work/first.png" 2>/dev/null && break
      sleep 1
    done
    sleep 3 # painted and filled
    import -window "$title" "$out/vaultkeep-win32-backup-page.png"
    "${wine%/*}/wineserver" -k || true'
  ls -l "$out"/vaultkeep-win32-*.png
  exit 0
fi
out=$(realpath -m "${1:-docs/screenshots}")
mkdir -p "$out"
VK_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=offscreen \
  build/bin/vk_app_gui_tests --gtest_filter='GuiTest.ScreenshotsOfTheNormalAndAdvancedViews' >/dev/null
ls -l "$out"/vaultkeep-*.png
