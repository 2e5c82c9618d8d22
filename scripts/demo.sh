#!/usr/bin/env bash
# Sets up, builds and runs the main job on a copy of the bundled demo
# installation: an unattended configuration backup of the installation
# ("vaultkeep configbackup file ARCHIVE", started from the copy's bin/ folder),
# then says where the archive and the results report are. The copy lives in
# ${VK_DEMO_ROOT:-/tmp/vaultkeep-demo}; it is made when missing and kept
# between runs (with the archives in its backup/ folder), so a later
# "scripts/demo.sh configrestore file <archive>" finds the archive an earlier
# run printed. VK_DEMO_FRESH=1 makes a fresh copy first.
#
# With arguments the program is run with them instead, on the same copy:
#   scripts/demo.sh key                              critical backup
#   scripts/demo.sh configrestore file <archive>     restore an archive
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
scripts/setup.sh
scripts/build.sh release
root=${VK_DEMO_ROOT:-/tmp/vaultkeep-demo}
if [ "${VK_DEMO_FRESH:-0}" = 1 ] || [ ! -f "$root/registry.reg" ]; then
  demo/make-installation.sh "$root"
else
  echo "Using the demo copy in $root (VK_DEMO_FRESH=1 makes a fresh one)"
fi
export VAULTKEEP_REGISTRY="$root/registry.reg"
cd "$root/bin"
program="$repo/build/bin/vaultkeep"
if [ $# -gt 0 ]; then
  exec "$program" "$@"
fi

archive="$root/backup/demo-$(date +%y%m%d-%H%M%S).conf.vkb"
started=$(mktemp)
trap 'rm -f "$started"' EXIT
echo "Configuration backup of the demo installation in $root:"
echo "  $program configbackup file $archive"
rc=0
"$program" configbackup file "$archive" || rc=$?
echo
if [ -f "$archive" ]; then
  entries=$(python3 -c 'import sys, zipfile; print(len(zipfile.ZipFile(sys.argv[1]).namelist()) - 1)' "$archive")
  echo "Archive:        $archive ($entries files, and Backup.why with the result of every item)"
else
  echo "Archive:        none written (exit code $rc)"
fi
reports=$(find "$root/backup" -maxdepth 1 -name '*.BackupResults.txt' -newer "$started" | sort)
if [ -n "$reports" ]; then
  echo "Results report: $reports"
else
  echo "Results report: none needed, every item was backed up (one is written to $root/backup/"
  echo "                as <date>.BackupResults.txt when an item fails)"
fi
echo "The archive's name is recorded as [Backup] ConfigTo in $root/config/WProperties.ini."
exit "$rc"
