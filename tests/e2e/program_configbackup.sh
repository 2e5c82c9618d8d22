#!/usr/bin/env bash
# "configbackup file X" on the demo installation without a display: the
# archive holds the default choice, "Backup.why" records it, ConfigTo names
# the archive, and the program ends by itself with exit code 0.
source "$(dirname "$0")/lib/program_env.sh"

mkdir -p "$work/out"
vk configbackup file "$work/out/night copy"
[ "$rc" -eq 0 ] || fail "exit code $rc"
archive="$work/out/night copy.conf.vkb"
[ -f "$archive" ] || fail "no archive $archive"
grep -q "Backup completed: [0-9,]* files, .*: $archive" "$work/stdout" || fail "no completion message"
grep -q "^ConfigTo=$archive" "$inst/config/WProperties.ini" || fail "ConfigTo not recorded"

python3 - "$archive" <<'PY'
import sys, zipfile, configparser
# The demo's default choice: configuration files of bin, config and format.
choice = {
    "display.ini", "Depth.WWC", "WProperties.ini", "encoder.bak", "hotkeys.ini", "license.key",
    "lithology.cmp", "neu_table.tbl", "panel.tcf", "services.ini", "site.tcf", "standard.lst",
    "survey.lst", "talvern.ini", "tools.ini", "units.ini", "vars.ini", "calib.prs", "cased.prs",
    "cased_hdr.bhf", "crossplot.xpt", "gr2.wtd", "grcal.wcp", "heading.hdr", "las20.fmt", "log.plt",
    "neu_char.tbl", "neu_env.crv", "neucal.wcp", "openhole.hdr", "openhole.lyt", "openhole.prs",
    "openhole_hdr.bhf", "perf.prs", "pg3375.wtd", "stdcal.wcp",
}
# talvern.ini, the older main settings file, goes in as ini items only.
as_files = choice - {"talvern.ini"}
z = zipfile.ZipFile(sys.argv[1])
names = [n for n in z.namelist() if n != "Backup.why"]
entries = {n.split("/", 1)[1] for n in names}
assert entries == as_files, ("entries", sorted(entries ^ as_files))
assert "1999/WProperties.ini" in names, names
why = configparser.RawConfigParser(strict=False, delimiters=("=",))
why.optionxform = str
why.read_string(z.read("Backup.why").decode("cp1252"))
recorded = {}
for key, value in why.items("FileBk"):
    cls, name = key.split("\\", 1)
    status, cls2 = value.split(",")
    assert cls == cls2 and status == "0", (key, value)
    recorded[name] = cls
assert set(recorded) == as_files, ("FileBk", sorted(set(recorded) ^ as_files))
for n in names:
    cls, name = n.split("/", 1)
    assert recorded[name] == cls, (n, recorded[name])
assert len(why.items("IniBk")) > 0
assert why.get("Talvern Backup Utility", "BackupVersion") == "7.0"
assert why.get("Comment", "1") == "Talvern 7 Backup"
print("archive holds", len(entries), "files of the default choice")
PY

# A second run replaces the archive without asking.
vk configbackup file "$archive"
[ "$rc" -eq 0 ] || fail "second run: exit code $rc"
grep -q "box" "$work/err" && fail "the second run asked something"
# Nothing is left in the temporary folder.
[ -z "$(ls -A "$TMPDIR")" ] || fail "left behind: $(ls -A "$TMPDIR")"
echo ok
