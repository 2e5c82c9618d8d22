#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: once normally, once under
# AddressSanitizer and UBSan, and the Windows build (cross-built with
# MinGW-w64) under Wine. VK_WITH_WINDOWS=0 leaves the Windows part out (a
# quicker run while working on Linux-only code).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
status=0
for flavour in release asan; do
  scripts/build.sh "$flavour"
  dir=build; [ "$flavour" = asan ] && dir=build-asan
  echo "== tests ($flavour) =="
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" || status=1
done

if [ "${VK_WITH_WINDOWS:-1}" != 0 ]; then
  started=$(date +%s)
  scripts/build.sh windows
  echo "== tests (windows, under Wine) =="
  export WINEPREFIX=$PWD/build-windows/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  wine=/usr/lib/wine/wine64
  # One persistent wine server serves every test program of the run. It is
  # started first; the first start of a program (which makes the prefix,
  # about 20 s, and starts Wine's own services) comes next, with no pipes of
  # ours: services started by a test program would hold its output open and
  # ctest would wait for them for ever.
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -p || echo "note: no persistent wine server; each test program starts one"
  env -u DISPLAY "$wine" cmd /c exit >/dev/null 2>&1 || true
  (unset QT_QPA_PLATFORM; ctest --test-dir build-windows --output-on-failure -j "$(nproc)") || status=1
  /usr/lib/wine/wineserver -k || true
  echo "Windows tests left out under Wine (tests/windows-skips.txt):"
  grep -v '^#' tests/windows-skips.txt | sed 's/^/  /'
  scripts/package.sh windows >/dev/null
  unzip -l dist/vaultkeep-windows-x64.zip | grep -q 'vaultkeep/lib/vaultkeeplib.lib' || { echo "FAIL: Windows zip"; status=1; }
  echo "Windows build and tests took $(( $(date +%s) - started )) s"
fi
exit $status
