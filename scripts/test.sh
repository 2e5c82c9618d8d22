#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite: once normally and once under
# AddressSanitizer and UBSan.
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
exit $status
