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
exec env -u DISPLAY -u WAYLAND_DISPLAY WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=" VAULTKEEP_HEADLESS=1 \
  "$VK_WINE" "$exe" "${args[@]}"
