#!/usr/bin/env bash
# "key" twice: the first run copies the critical files into a new KEY folder,
# the second finds nothing changed and makes none. Both end with exit code 0.
source "$(dirname "$0")/lib/program_env.sh"

count() { find "$inst/backup" -mindepth 1 -maxdepth 1 -type d -name 'KEY*' | wc -l; }
start=$(count)
vk key
[ "$rc" -eq 0 ] || fail "first run: exit code $rc"
[ "$(count)" -eq $((start + 1)) ] || fail "no new folder"
newest=$(ls -td "$inst"/backup/KEY* | head -1)
head -1 "$newest/backup.me" | grep -q "^Backup of critical files" || fail "backup.me: $(head -1 "$newest/backup.me")"
for f in WProperties.ini tools.ini services.ini talvern.ini; do
  cmp -s "$inst/config/$f" "$newest/Config/$f" || fail "$f not copied"
done

vk key
[ "$rc" -eq 0 ] || fail "second run: exit code $rc"
[ "$(count)" -eq $((start + 1)) ] || fail "the second run made a folder"
grep -q "nothing copied" "$work/stdout" || fail "second run not reported"
echo ok
