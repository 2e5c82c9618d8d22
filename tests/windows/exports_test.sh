#!/usr/bin/env bash
# vaultkeeplib.dll exports exactly the functions include/vaultkeeplib.h
# declares with VK_API, and an import library comes with it; vaultkeep.exe is
# a GUI-subsystem program with its icon and version resource.
set -euo pipefail
: "${VK_BIN:?}" "${VK_SOURCE:?}" "${VK_LIB:?}"
objdump=x86_64-w64-mingw32-objdump
fail() { echo "FAIL: $*" >&2; exit 1; }
exports=$("$objdump" -p "$VK_BIN/vaultkeeplib.dll" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p' | sort)
declared=$(grep -E '^VK_API' "$VK_SOURCE/include/vaultkeeplib.h" | sed -E 's/\(.*//; s/.*[ *]//' | sort)
[ -n "$declared" ] || fail "no VK_API declarations found"
diff <(echo "$exports") <(echo "$declared") || fail "exports differ from the header (< dll, > header)"
echo "vaultkeeplib.dll exports the $(echo "$declared" | wc -l) functions of the header"
[ -f "$VK_LIB/vaultkeeplib.lib" ] || fail "no import library"
headers=$("$objdump" -p "$VK_BIN/vaultkeep.exe")
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || fail "vaultkeep.exe is not a GUI program"
sections=$("$objdump" -h "$VK_BIN/vaultkeep.exe")
grep -q '\.rsrc' <<<"$sections" || fail "vaultkeep.exe has no resources"
texts=$(strings -el "$VK_BIN/vaultkeep.exe")
grep -q 'Vaultkeep configuration backup' <<<"$texts" || fail "no version resource"
for dll in arczip32.dll vkplatform.dll libzip.dll zlib1.dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  [ -f "$VK_BIN/$dll" ] || fail "$dll not beside the programs"
done
echo ok
