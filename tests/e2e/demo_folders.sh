#!/usr/bin/env bash
# The main job on a fresh copy of the demo installation: the program reads the
# installation's folders through the library and names every one of them.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$VK_SOURCE/demo/make-installation.sh" "$work/inst" >/dev/null
export VAULTKEEP_REGISTRY="$work/inst/registry.reg"
cd "$work/inst/bin"
out=$("$VK_BIN/vaultkeep")
echo "$out"
for name in BinDir ConfigDir FormatDir DataDir SimDir ScriptDir BackupDir; do
  grep -q "$name .*$work/inst/" <<<"$out" || { echo "missing $name"; exit 1; }
done
# FaxDir and LangDir are not in the demo's registry file: they fall back to BinDir.
grep -q "FaxDir .*$work/inst/bin/" <<<"$out"
grep -q "LangDir .*$work/inst/bin/" <<<"$out"
# Without a registry source the program says so and fails.
if VAULTKEEP_REGISTRY="$work/none.reg" "$VK_BIN/vaultkeep" >/dev/null; then
  echo "expected a failure without an installation"; exit 1
fi
