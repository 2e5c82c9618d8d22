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
  bin=build-windows/bin
  wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
  export WINEPREFIX=${WINEPREFIX:-$PWD/build-windows/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  # Wine reads paths from the Unix side through its Z: drive.
  export VK_SCREENSHOT_DIR="Z:$out"
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c "
    '$wine' '$bin/vk_app_wingui_tests.exe' --gtest_filter='*Pictures*' >/dev/null &&
    '$wine' '$bin/vk_lib_wingui_tests.exe' >/dev/null"
  ls -l "$out"/vaultkeep-win32-*.png
  exit 0
fi
out=$(realpath -m "${1:-docs/screenshots}")
mkdir -p "$out"
VK_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=offscreen \
  build/bin/vk_app_gui_tests --gtest_filter='GuiTest.ScreenshotsOfTheNormalAndAdvancedViews' >/dev/null
ls -l "$out"/vaultkeep-*.png
