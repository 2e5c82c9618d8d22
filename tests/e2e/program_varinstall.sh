#!/usr/bin/env bash
# "varinstall" ends at once with exit code 0 and changes nothing.
source "$(dirname "$0")/lib/program_env.sh"

snapshot() { (cd "$inst" && find . -type f -exec md5sum {} + | sort); }
before=$(snapshot)
started=$(date +%s%N)
vk varinstall
[ "$rc" -eq 0 ] || fail "exit code $rc"
took=$(( ($(date +%s%N) - started) / 1000000 ))
[ "$took" -lt 5000 ] || fail "took $took ms"
[ "$before" = "$(snapshot)" ] || fail "the installation changed"
echo ok
