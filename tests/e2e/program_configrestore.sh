#!/usr/bin/env bash
# "configrestore file X": the archive is opened, checked and closed, nothing is
# restored, no results report is written, and the program ends by itself.
source "$(dirname "$0")/lib/program_env.sh"

vk configbackup file "$work/cfg"
[ "$rc" -eq 0 ] || fail "backup: exit code $rc"
before=$(cd "$inst" && find . -type f -newer "$work/cfg.conf.vkb" | sort)
cp "$inst/config/WProperties.ini" "$work/props.before"

vk configrestore file "$work/cfg.conf.vkb"
[ "$rc" -eq 0 ] || fail "restore: exit code $rc"
grep -q "Configuration Restore: 0 items restored" "$work/stdout" || fail "no final status"
grep -q "box" "$work/err" && fail "the restore asked something"
ls "$inst/backup" | grep -q RestoreResults && fail "a results report was written"
cmp -s "$work/props.before" "$inst/config/WProperties.ini" || fail "the installation changed"
[ -z "$(ls -A "$TMPDIR")" ] || fail "work folder left behind: $(ls -A "$TMPDIR")"

# An archive that is not there: the library is not called; exit code 1.
vk configrestore file "$work/missing.conf.vkb"
[ "$rc" -eq 1 ] || fail "missing archive: exit code $rc"
grep -q "could not be opened" "$work/err" || fail "missing archive not reported"
echo ok
