#!/usr/bin/env bash
# Runs one test program of the Windows build under Wine, headless. Tests
# listed for the program in tests/windows-skips.txt are left out and named
# with their reason, so that a skip is never silent.
set -uo pipefail
exe=$1
program=$(basename "$exe" .exe)
here=$(cd "$(dirname "$0")" && pwd)
filter=""
while IFS='|' read -r prog pattern reason; do
  prog=$(echo "$prog" | xargs); pattern=$(echo "$pattern" | xargs)
  [ -z "$prog" ] || [ "${prog:0:1}" = "#" ] && continue
  [ "$prog" = "$program" ] || continue
  filter="${filter:+$filter:}$pattern"
  echo "SKIPPED under Wine: $pattern -$reason"
done < "$here/../windows-skips.txt"
args=()
[ -n "$filter" ] && args+=("--gtest_filter=-$filter")
# The program's shell tests take a fresh copy of the demo installation, made
# here on the Unix side and named by its Unix path, as its registry file names
# its folders (Windows resolves "/tmp/..." on the current drive, Wine's Z:,
# the Unix root): the fixture's own way, a copy and a new start of the
# program with its registry file, needs exec, which Windows does not have.
if [ "$program" = vk_app_shell_tests ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  "$here/../../demo/make-installation.sh" "$work/demo/inst" >/dev/null
  export VAULTKEEP_SHELL_TEST_DEMO="$work/demo" VAULTKEEP_REGISTRY="$work/demo/inst/registry.reg"
fi
env -u DISPLAY -u WAYLAND_DISPLAY WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=" VAULTKEEP_HEADLESS=1 \
  "$VK_WINE" "$exe" "${args[@]}"
