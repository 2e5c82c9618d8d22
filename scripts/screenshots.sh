#!/usr/bin/env bash
# Saves PNG pictures of the program's main window (the backup page in its
# normal and its advanced view, the restore page with an archive's contents
# and after a restore) on the demo installation, rendered offscreen:
#   scripts/screenshots.sh [FOLDER]      (default: docs/screenshots)
# Needs a built tree (scripts/build.sh release).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/screenshots}")
mkdir -p "$out"
VK_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=offscreen \
  build/bin/vk_app_gui_tests --gtest_filter='GuiTest.ScreenshotsOf*' >/dev/null
ls -l "$out"/vaultkeep-*.png
