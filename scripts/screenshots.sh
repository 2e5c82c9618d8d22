#!/usr/bin/env bash
# Saves PNG pictures of the program's main window (the backup page in its
# normal and its advanced view, after a backup to the proposed archive, which
# lands in the copy's backup/ folder, the restore page with an archive's
# contents and after a restore) on the demo copy that scripts/demo.sh uses
# (${VK_DEMO_ROOT:-/tmp/vaultkeep-demo}, made when missing), rendered offscreen:
#   scripts/screenshots.sh [FOLDER]      (default: docs/screenshots)
# Needs a built tree (scripts/build.sh release).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/screenshots}")
mkdir -p "$out"
root=${VK_DEMO_ROOT:-/tmp/vaultkeep-demo}
[ -f "$root/registry.reg" ] || demo/make-installation.sh "$root" >/dev/null
VK_SCREENSHOT_DIR="$out" VK_SHELL_TEST_INSTALLATION="$root" VAULTKEEP_REGISTRY="$root/registry.reg" \
  QT_QPA_PLATFORM=offscreen \
  build/bin/vk_app_gui_tests --gtest_filter='GuiTest.ScreenshotsOf*' >/dev/null
ls -l "$out"/vaultkeep-*.png
