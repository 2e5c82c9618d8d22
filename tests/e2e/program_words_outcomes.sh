#!/usr/bin/env bash
# The command line never turns one job into another, --help and --version
# need no display, every run prints its outcome on standard output, a failed
# run says why, and a backup with failed items exits 3 and names the report.
source "$(dirname "$0")/lib/program_env.sh"

# --help, -h, --version: standard output, exit 0, no display needed.
for word in --help -h; do
  vk $word
  [ "$rc" -eq 0 ] || fail "$word: exit code $rc"
  grep -q "configrestore file ARCHIVE" "$work/stdout" || fail "$word: no usage"
  grep -q "3  the job completed with failures" "$work/stdout" || fail "$word: exit codes not listed"
  grep -q "no display" "$work/err" && fail "$word: the display was checked"
done
vk --version
[ "$rc" -eq 0 ] || fail "--version: exit code $rc"
grep -Eq "^vaultkeep [0-9]+\.[0-9]+" "$work/stdout" || fail "--version: $(cat "$work/stdout")"

# A restore of an archive whose name holds "configbackup" restores; the
# archive the user meant to restore is left as it is.
mkdir -p "$work/backup"
vk configbackup file "$work/backup/configbackup-2024"
[ "$rc" -eq 0 ] || fail "backup: exit code $rc"
archive="$work/backup/configbackup-2024.conf.vkb"
sum=$(md5sum <"$archive")
touch -d "2020-01-01" "$archive"
vk configrestore file "$archive"
[ "$rc" -eq 0 ] || fail "restore: exit code $rc"
grep -q "Configuration Restore" "$work/stdout" || fail "restore: no outcome line"
[ "$(md5sum <"$archive")" = "$sum" ] || fail "the archive to restore was replaced"
[ "$(stat -c %Y "$archive")" -lt 1600000000 ] || fail "the archive to restore was written"

# "key" inside "monkey" is no word: the configuration backup runs.
mkdir -p "$work/monkey"
before=$(find "$inst/backup" -maxdepth 1 -name 'KEY*' | wc -l)
vk configbackup file "$work/monkey/x"
[ "$rc" -eq 0 ] || fail "monkey: exit code $rc"
[ -f "$work/monkey/x.conf.vkb" ] || fail "monkey: no archive written"
[ "$(find "$inst/backup" -maxdepth 1 -name 'KEY*' | wc -l)" -eq "$before" ] || fail "monkey: critical backup ran"
grep -q "Backup completed: .*: $work/monkey/x.conf.vkb" "$work/stdout" || fail "monkey: no outcome on stdout"

# A failing run says why, in the system's words, on stdout and stderr.
vk configrestore file "$work/missing.conf.vkb"
[ "$rc" -eq 1 ] || fail "missing archive: exit code $rc"
grep -q "could not be opened: $work/missing.conf.vkb: The system cannot find the file specified" "$work/stdout" ||
  fail "missing archive: no reason on stdout"
grep -q "The system cannot find the file specified" "$work/err" || fail "missing archive: no reason on stderr"
vk configbackup file "$work/no/such/folder/x"
[ "$rc" -eq 1 ] || fail "missing folder: exit code $rc"
grep -q "The system cannot find the path specified" "$work/stdout" || fail "missing folder: no reason"

# An item that cannot be copied (a link to a file that is gone): the backup
# completes, says how many items failed, names the report and exits 3.
ln -s "$inst/config/gone.ini" "$inst/config/broken.ini"
vk configbackup file "$work/failures"
[ "$rc" -eq 3 ] || fail "failed items: exit code $rc"
grep -q "Backup completed with failures: 1 items failed; see the report $inst/backup/.*Results.txt" "$work/stdout" ||
  fail "failed items: no count or report on stdout"
report=$(sed -n 's/.*see the report \(.*Results.txt\).*/\1/p' "$work/stdout" | head -1)
[ -f "$report" ] || fail "the named report $report is not there"
grep -q "broken.ini" "$report" || fail "the report does not list the failed item"
echo ok
