#!/usr/bin/env bash
# The program finds the installation's folders through the library's registry
# source: a backup of the demo takes files from its program, configuration and
# format folders. Without a registry source there is no installation: the
# backup cannot start, and the program says so and fails.
source "$(dirname "$0")/lib/program_env.sh"

vk configbackup file "$work/folders"
[ "$rc" -eq 0 ] || fail "exit code $rc"
listing=$(python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' \
  "$work/folders.conf.vkb")
for entry in 4001/display.ini 4001/tools.ini 1999/WProperties.ini 5000/openhole.prs; do
  grep -qx "$entry" <<<"$listing" || fail "missing $entry"
done

VAULTKEEP_REGISTRY="$work/none.reg" vk configbackup file "$work/nothing"
[ "$rc" -ne 0 ] || fail "expected a failure without an installation"
grep -q "Backup canceled" "$work/err" || fail "no message"
[ ! -e "$work/nothing.conf.vkb" ] || fail "an archive was written without an installation"
echo ok
