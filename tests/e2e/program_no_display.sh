#!/usr/bin/env bash
# Without a command word and without a display the program cannot show its
# window: it says so and ends with a non-zero exit code instead of waiting.
source "$(dirname "$0")/lib/program_env.sh"

for args in "" "why just looking" "KEY" "ConfigBackup file /tmp/x"; do
  # shellcheck disable=SC2086
  vk $args
  [ "$rc" -eq 2 ] || fail "'$args': exit code $rc"
  grep -q "no display" "$work/err" || fail "'$args': no message"
  grep -q "configbackup file" "$work/err" || fail "'$args': the command words are not named"
done
echo ok
