#!/usr/bin/env bash
# Archives move between the Linux and the Windows build both ways: each build
# backs up the demo installation, the other build restores every item into a
# fresh copy and compares the files (ArchiveExchange tests of the engine
# suite, run here on both builds).
set -euo pipefail
: "${VK_BIN:?}" "${VK_WINE:?}" "${WINEPREFIX:?}"
linux=${VK_LINUX_BIN:-}
if [ ! -x "$linux/vk_lib_engine_tests" ]; then
  echo "SKIPPED: the Linux build's engine tests are not at VK_LINUX_BIN ($linux); scripts/test.sh builds both"
  exit 77
fi
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" VAULTKEEP_HEADLESS=1
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VAULTKEEP_ANSWERS=

# run_one FILTER COMMAND...: the one test must run and pass, not be skipped.
run_one() {
  local filter=$1 out
  shift
  out=$("$@" --gtest_filter="$filter" 2>&1) || { echo "$out" >&2; echo "FAIL: $filter on $1" >&2; exit 1; }
  echo "$out" | tr -d '\r' | grep -q '^\[  PASSED  \] 1 test' || { echo "$out" >&2; echo "FAIL: $filter did not run" >&2; exit 1; }
  echo "passed: $filter on $(basename "$1" | sed 's/vk_lib_engine_tests.exe/Windows/;s/vk_lib_engine_tests/Linux/')"
}

VAULTKEEP_EXCHANGE_DIR=$work VAULTKEEP_EXCHANGE_SYSTEM=linux \
  run_one ArchiveExchange.WriteForTheOtherSystem "$linux/vk_lib_engine_tests"
VAULTKEEP_EXCHANGE_DIR=$work VAULTKEEP_EXCHANGE_SYSTEM=windows \
  run_one ArchiveExchange.WriteForTheOtherSystem "$VK_WINE" "$VK_BIN/vk_lib_engine_tests.exe"
for a in "$work"/from-linux.conf.vkb "$work"/from-windows.conf.vkb; do
  unzip -tq "$a"
done
cmp <(unzip -Z1 "$work/from-linux.conf.vkb" | sort) <(unzip -Z1 "$work/from-windows.conf.vkb" | sort) ||
  { echo "FAIL: the two builds wrote different entries" >&2; exit 1; }

VAULTKEEP_EXCHANGE_ARCHIVE=$work/from-windows.conf.vkb \
  run_one ArchiveExchange.RestoreFromTheOtherSystem "$linux/vk_lib_engine_tests"
VAULTKEEP_EXCHANGE_ARCHIVE=$work/from-linux.conf.vkb \
  run_one ArchiveExchange.RestoreFromTheOtherSystem "$VK_WINE" "$VK_BIN/vk_lib_engine_tests.exe"
echo "archives moved both ways"
