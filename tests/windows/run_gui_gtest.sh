#!/usr/bin/env bash
# Runs a test program of the Windows renderer under Wine. These tests need
# real windows, so Wine draws into a virtual X display (Xvfb) of its own
# instead of running headless. The program's main-window tests get a fresh
# copy of the demo installation, made here on the Unix side (the shell
# tests' fixture takes it from VAULTKEEP_SHELL_TEST_DEMO; Wine's drive Z: is the
# Unix root).
set -uo pipefail
exe=$1
program=$(basename "$exe" .exe)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ "$program" = vk_app_wingui_tests ]; then
  "$source_dir/demo/make-installation.sh" "$work/demo/inst" >/dev/null
  export VAULTKEEP_SHELL_TEST_DEMO="Z:$work/demo" VAULTKEEP_REGISTRY="Z:$work/demo/inst/registry.reg"
fi
xvfb-run -a -s "-screen 0 1280x1024x24" env -u WAYLAND_DISPLAY -u VAULTKEEP_HEADLESS WINEDEBUG=-all \
  "WINEDLLOVERRIDES=mscoree,mshtml=" "$VK_WINE" "$exe"
