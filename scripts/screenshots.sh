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
  demo/make-installation.sh "$work/demo/inst" >/dev/null
  # The pictures are taken by the renderer's tests (vkui_win32_save_screenshot).
  # Wine's drive Z: is the Unix root; the main-window tests take the demo
  # installation from VAULTKEEP_SHELL_TEST_DEMO. In a Wine desktop window the
  # windows get frames and captions drawn by Wine, as on Windows.
  export VAULTKEEP_SHELL_TEST_DEMO="Z:$work/demo" VAULTKEEP_REGISTRY="Z:$work/demo/inst/registry.reg"
  export VAULTKEEP_SCREENSHOT_DIR="Z:$out" wine bin
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    "$wine" explorer /desktop=vaultkeep,1024x768 "Z:$bin/vk_app_wingui_tests.exe" --gtest_filter="*Picture*" >/dev/null
    "$wine" explorer /desktop=vaultkeep,1024x768 "Z:$bin/vk_lib_wingui_tests.exe" >/dev/null'
  for name in backup-page advanced restore-page tool-selection overwrite tool-tree; do
    [ -s "$out/vaultkeep-win32-$name.png" ] || { echo "no picture vaultkeep-win32-$name.png" >&2; exit 1; }
  done
  ls -l "$out"/vaultkeep-win32-*.png
  exit 0
fi
out=$(realpath -m "${1:-docs/screenshots}")
mkdir -p "$out"
root=${VK_DEMO_ROOT:-/tmp/vaultkeep-demo}
[ -f "$root/registry.reg" ] || demo/make-installation.sh "$root" >/dev/null
VK_SCREENSHOT_DIR="$out" VAULTKEEP_SHELL_TEST_INSTALLATION="$root" VAULTKEEP_REGISTRY="$root/registry.reg" \
  QT_QPA_PLATFORM=offscreen \
  build/bin/vk_app_gui_tests --gtest_filter='GuiTest.ScreenshotsOf*' >/dev/null
ls -l "$out"/vaultkeep-*.png
