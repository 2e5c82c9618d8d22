#!/usr/bin/env bash
# Runs a test program of the Windows renderer under Wine. These tests need
# real windows, so Wine draws into a virtual X display (Xvfb) of its own
# instead of running headless.
set -uo pipefail
exe=$1
exec xvfb-run -a -s "-screen 0 1280x1024x24" env -u WAYLAND_DISPLAY -u VAULTKEEP_HEADLESS WINEDEBUG=-all \
  "WINEDLLOVERRIDES=mscoree,mshtml=" "$VK_WINE" "$exe"
