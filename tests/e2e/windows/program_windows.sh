#!/usr/bin/env bash
# vaultkeep.exe under Wine on the demo installation, whose folders come from
# Wine's registry: "configbackup file C:\..." writes an archive that unzip
# accepts and the Linux build opens; "configrestore" opens and checks it;
# "key" makes a critical backup folder; "varinstall" changes nothing.
source "$(dirname "$0")/lib/wine_env.sh"

mkdir -p "$work/out"
vk configbackup file "$(winpath "$work/out/night copy")"
[ "$rc" -eq 0 ] || fail "configbackup: exit code $rc"
archive="$work/out/night copy.conf.vkb"
[ -f "$archive" ] || fail "no archive $archive"
grep -q "Backup completed:" "$work/err" || fail "no completion message"
grep -q "^ConfigTo=" "$inst/config/WProperties.ini" || fail "ConfigTo not recorded"
unzip -tq "$archive" || fail "unzip -t refuses the archive"
python3 - "$archive" <<'PY'
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
names = z.namelist()
assert "Backup.why" in names and "1999/WProperties.ini" in names, names
assert all("\\" not in n and not n.startswith("/") and ":" not in n for n in names), names
why = z.read("Backup.why").decode("cp1252")
assert "BackupVersion=7.0" in why, why
print("archive holds", len(names), "entries")
PY

# The Linux build opens and checks the archive the Windows build wrote.
if [ -x "${VK_LINUX_BIN:-}/vaultkeep" ]; then
  lerr="$work/linux.err"
  (cd "$inst/bin" && VAULTKEEP_REGISTRY="$inst/registry.reg" TMPDIR="$work" \
     timeout 60 "$VK_LINUX_BIN/vaultkeep" configrestore file "$archive") >"$lerr" 2>&1 || fail "Linux configrestore: $(cat "$lerr")"
  grep -q "Configuration Restore:" "$lerr" || fail "Linux configrestore: $(cat "$lerr")"
  echo "the Linux build opened the archive of the Windows build"
else
  echo "VK_LINUX_BIN not set: the Linux half is left to archive_exchange.sh"
fi

vk configrestore file "$(winpath "$archive")"
[ "$rc" -eq 0 ] || fail "configrestore: exit code $rc"
grep -q "Configuration Restore: 0 items restored" "$work/err" || fail "no final status"

vk configrestore file "$(winpath "$work/missing.conf.vkb")"
[ "$rc" -eq 1 ] || fail "missing archive: exit code $rc"

count() { find "$inst/backup" -mindepth 1 -maxdepth 1 -type d -name 'KEY*' | wc -l; }
start=$(count)
vk key
[ "$rc" -eq 0 ] || fail "key: exit code $rc"
[ "$(count)" -eq $((start + 1)) ] || fail "key: no new folder"
newest=$(ls -td "$inst"/backup/KEY* | head -1)
cmp -s "$inst/config/WProperties.ini" "$newest/Config/WProperties.ini" || fail "key: WProperties.ini not copied"

snapshot() { (cd "$inst" && find . -type f -exec md5sum {} + | sort); }
before=$(snapshot)
vk varinstall
[ "$rc" -eq 0 ] || fail "varinstall: exit code $rc"
[ "$before" = "$(snapshot)" ] || fail "varinstall changed the installation"
echo ok
