#!/usr/bin/env bash
# "list", "verify" and "restoreall" on the demo installation: the listing
# names every item with what the version policy would do, verify finds a
# flipped byte, restoreall brings changed files back with an undo archive,
# and restoring the undo archive gives the changed files back byte for byte.
source "$(dirname "$0")/lib/program_env.sh"

vk configbackup file "$work/base"
[ "$rc" -eq 0 ] || fail "backup: exit code $rc"
archive="$work/base.conf.vkb"

# list: summary and items, exit 0.
vk list file "$archive"
[ "$rc" -eq 0 ] || fail "list: exit code $rc"
grep -q "^Written by: version 7.0 (Vaultkeep)" "$work/stdout" || fail "list: no version"
grep -q "^Comment: Talvern 7 Backup" "$work/stdout" || fail "list: no comment"
grep -q "^file 4001 Config/units.ini: installed copy equal; restore" "$work/stdout" || fail "list: units.ini"
grep -q "^settings 1006 Acquisition / MaxCalibration: restore" "$work/stdout" || fail "list: settings item"
grep -q "^service 1000 Open Hole Combo" "$work/stdout" || fail "list: service"
grep -q "^tool 1001 GR GR1001" "$work/stdout" || fail "list: tool"
vk list file "$work/nothing.conf.vkb"
[ "$rc" -eq 1 ] || fail "list of a missing file: exit code $rc"
grep -q "The system cannot find the file specified" "$work/stdout" || fail "list: no reason"

# verify: sound, then one flipped byte inside an entry's data.
vk verify file "$archive"
[ "$rc" -eq 0 ] || fail "verify: exit code $rc"
grep -q "sound" "$work/stdout" || fail "verify: not called sound"
cp "$archive" "$work/flipped.conf.vkb"
python3 - "$work/flipped.conf.vkb" <<'PY'
import sys, zipfile
path = sys.argv[1]
info = zipfile.ZipFile(path).getinfo("4001/units.ini")
data = bytearray(open(path, "rb").read())
# The entry's data starts after its local header (30 bytes, name, extra).
extra = int.from_bytes(data[info.header_offset + 28:info.header_offset + 30], "little")
start = info.header_offset + 30 + len(info.filename.encode()) + extra
data[start + info.compress_size // 2] ^= 0xFF
open(path, "wb").write(data)
PY
vk verify file "$work/flipped.conf.vkb"
[ "$rc" -eq 1 ] || fail "verify of a flipped byte: exit code $rc"
grep -q "damaged entry: 4001/units.ini" "$work/stdout" || fail "verify: damaged entry not named"
grep -q "box" "$work/err" && fail "verify showed a box"

# restoreall on changed files: they come back as archived; the undo archive
# holds the changed versions.
echo "changed" >>"$inst/config/units.ini"
echo "x=1" >>"$inst/format/calib.prs"
sed -i 's/^MaxCalibration=750/MaxCalibration=760/' "$inst/config/WProperties.ini"
mkdir -p "$work/changed"
cp "$inst/config/units.ini" "$inst/format/calib.prs" "$inst/config/tools.ini" "$work/changed/"
vk restoreall file "$archive"
[ "$rc" -eq 0 ] || fail "restoreall: exit code $rc"
grep -q "^vaultkeep: restoreall: Restore completed: [0-9]* restored, [0-9]* skipped, 0 failed; undo archive $inst/backup/pre-restore-.*\.conf\.vkb; report $inst/backup/.*RestoreResults.txt" \
  "$work/stdout" || fail "restoreall: no outcome line"
grep -q "changed" "$inst/config/units.ini" && fail "units.ini not restored"
grep -q "^MaxCalibration=760" "$inst/config/WProperties.ini" && fail "setting not restored"
undo=$(ls "$inst"/backup/pre-restore-*.conf.vkb)
[ "$(echo "$undo" | wc -l)" -eq 1 ] || fail "expected one undo archive: $undo"

# Restoring the undo archive puts the changed installation back.
vk restoreall file "$undo"
[ "$rc" -eq 0 ] || fail "undo: exit code $rc"
cmp "$work/changed/units.ini" "$inst/config/units.ini" || fail "units.ini not given back"
cmp "$work/changed/calib.prs" "$inst/format/calib.prs" || fail "calib.prs not given back"
cmp "$work/changed/tools.ini" "$inst/config/tools.ini" || fail "tools.ini not given back"
grep -q "^MaxCalibration=760" "$inst/config/WProperties.ini" || fail "setting not given back"
[ -z "$(ls -A "$TMPDIR")" ] || fail "left behind: $(ls -A "$TMPDIR")"
echo ok
