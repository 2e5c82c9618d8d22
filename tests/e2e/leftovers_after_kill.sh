#!/usr/bin/env bash
# A backup killed with kill -9 leaves its work folder behind (and, killed at
# other moments, copies being made, the spool folder and the unfinished
# archive). The next run removes everything of the killed run and nothing of
# a run that still works.
source "$(dirname "$0")/lib/program_env.sh"

# Enough data that the backup is still at work when it is killed.
for i in 1 2 3; do head -c 40000000 /dev/urandom >"$inst/config/bulk$i.ini"; done
mkdir -p "$work/out"
archive="$work/out/killed.conf.vkb"
"$VK_BIN/vaultkeep" configbackup file "$archive" 2>/dev/null &
pid=$!
# The process's start time: field 22 of its stat, the 20th after the name.
start=$(sed 's/.*) //' /proc/$pid/stat | cut -d' ' -f20)
for _ in $(seq 1 1000); do
  ls "$inst/temp" | grep -q "^wtd$pid-${start}_" && break
  sleep 0.01
done
kill -9 $pid
wait $pid 2>/dev/null || true
ls "$inst/temp" | grep -q "^wtd$pid-${start}_" || fail "the killed run left no work folder to test with"
[ -f "$archive" ] && fail "the killed run wrote an archive"
rm -f "$inst"/config/bulk*.ini

# What the killed run would have left at other moments, and the same for a
# run that still works.
sleep 300 &
live=$!
live_start=$(sed 's/.*) //' /proc/$live/stat | cut -d' ' -f20)
trap 'kill -9 $live 2>/dev/null; rm -rf "$work"' EXIT
for tag in "$pid-$start" "$live-$live_start"; do
  mkdir -p "$TMPDIR/arczip${tag}_Ab12Cd" "$inst/temp/wtd${tag}_Zz99Yy"
  echo spool >"$TMPDIR/arczip${tag}_Ab12Cd/spool0"
  echo partial >"$work/out/.~arc$tag.0a1b2c3d.tmp"
  echo partial >"$inst/config/.vkcopy.$tag.0.17.tmp"
done
# A process id reused by another process: the leftover is of the run that is gone.
echo partial >"$inst/config/.vkcopy.$live-${live_start}9.0.1.tmp"

vk configbackup file "$archive"
[ "$rc" -eq 0 ] || fail "the next run: exit code $rc"
[ -f "$archive" ] || fail "the next run wrote no archive"

left=$(cd "$work" && find . -name "*$pid-$start[._]*" -o -name "*$live-${live_start}9*" | sort)
[ -z "$left" ] || fail "leftovers of the killed run remain: $left"
for f in "$TMPDIR/arczip$live-${live_start}_Ab12Cd/spool0" "$inst/temp/wtd$live-${live_start}_Zz99Yy" \
  "$work/out/.~arc$live-$live_start.0a1b2c3d.tmp" "$inst/config/.vkcopy.$live-$live_start.0.17.tmp"; do
  [ -e "$f" ] || fail "removed a file of a run that still works: $f"
done
echo ok
