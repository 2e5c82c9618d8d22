#!/usr/bin/env bash
# Makes a fresh copy of the bundled demo Talvern installation in TARGET and the
# registry export file TARGET/registry.reg that points the library at it.
#
#   demo/make-installation.sh TARGET
#   export VAULTKEEP_REGISTRY=TARGET/registry.reg
#
# TARGET is replaced only when it is a copy this script made before (it holds
# the marker file below) or an empty folder; any other existing folder is left
# alone and the script fails.
#
# registry.reg is written the way the registry editor exports keys: the header
# "Windows Registry Editor Version 5.00", UTF-16LE with a byte-order mark, CR LF
# line ends. "FaxDir" and "LangDir" are left out on purpose: the library then
# falls back to "BinDir" for both.
set -euo pipefail

marker=".vaultkeep-demo-installation"
folders=(bin config data format script sim backup temp)

if [ $# -ne 1 ] || [ -z "$1" ]; then
  echo "usage: $0 TARGET" >&2
  exit 2
fi

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
target=$(realpath -m -- "$1")

case "$target" in
  / | "$here" | "$here"/*)
    echo "make-installation: refusing to use $target as the target" >&2
    exit 1 ;;
esac

if [ -e "$target" ] || [ -L "$target" ]; then
  if [ -d "$target" ] && [ ! -L "$target" ] && [ -f "$target/$marker" ]; then
    rm -rf -- "$target"
  elif [ -d "$target" ] && [ ! -L "$target" ] && [ -z "$(ls -A -- "$target")" ]; then
    rmdir -- "$target"
  else
    echo "make-installation: $target exists and was not made by this script; not touching it" >&2
    exit 1
  fi
fi

mkdir -p -- "$target"
printf 'Demo Talvern installation made by %s\n' "$0" >"$target/$marker"
for f in "${folders[@]}"; do
  cp -R -- "$here/$f" "$target/$f"
done

# A .reg string value: backslash and double quote are escaped with a backslash.
reg_value() {
  local v=${2//\\/\\\\}
  v=${v//\"/\\\"}
  printf '"%s"="%s"\r\n' "$1" "$v"
}

{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\r\n'
  reg_value BinDir "$target/bin/"
  reg_value ConfigDir "$target/config/"
  reg_value FormatDir "$target/format/"
  reg_value DataDir "$target/data/"
  reg_value TempDir "$target/temp/"
  reg_value SpoolDir "$target/temp/spool/"
  reg_value SimDir "$target/sim/"
  reg_value ScriptDir "$target/script/"
  reg_value BackupDir "$target/backup/"
  printf '\r\n'
} | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$target/registry.reg"

echo "Demo Talvern installation in $target/"
for f in "${folders[@]}"; do
  printf '  %-8s %4d files\n' "$f/" "$(find "$target/$f" -type f | wc -l)"
done
echo "Registry file $target/registry.reg (UTF-16LE, Windows Registry Editor Version 5.00):"
echo "  BinDir=$target/bin/  ConfigDir=$target/config/  FormatDir=$target/format/"
echo "  DataDir=$target/data/  TempDir=$target/temp/  SpoolDir=$target/temp/spool/"
echo "  SimDir=$target/sim/  ScriptDir=$target/script/  BackupDir=$target/backup/"
echo "  (no FaxDir, no LangDir: both fall back to BinDir)"
echo "Use it with: export VAULTKEEP_REGISTRY=$target/registry.reg; cd $target/bin"
