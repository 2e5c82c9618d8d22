#!/usr/bin/env bash
# The Debian package of this build: made with CPack, unpacked into a scratch
# root with dpkg -x (nothing is installed on the machine), checked for its
# files, and the demo backup run from there with the libraries of the
# package, not those of the build.
set -euo pipefail
: "${VK_BUILD:?VK_BUILD names the build folder}" "${VK_SOURCE:?}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$VK_BUILD" && cpack -G DEB -B "$work/dist" >/dev/null)
deb=$(ls "$work"/dist/vaultkeep_*_amd64.deb)
root="$work/root"
dpkg -x "$deb" "$root"
for f in usr/bin/vaultkeep usr/lib/vaultkeep/vaultkeep usr/lib/vaultkeep/libvaultkeeplib.so \
         usr/lib/vaultkeep/libarczip32.so usr/lib/vaultkeep/libvkplatform.so usr/lib/vaultkeep/vaultkeep.html \
         usr/include/vaultkeeplib.h usr/lib/pkgconfig/vaultkeeplib.pc usr/share/man/man1/vaultkeep.1 \
         usr/share/applications/vaultkeep.desktop etc/vaultkeep/registry.reg; do
  [ -e "$root/$f" ] || fail "$f missing from the package"
done
dpkg-deb -f "$deb" Package Version Depends
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles | grep -qx /etc/vaultkeep/registry.reg || fail "registry.reg is no conffile"
grep -q '^Libs: .*-lvaultkeeplib' "$root/usr/lib/pkgconfig/vaultkeeplib.pc" || fail "pkg-config file"
man -l "$root/usr/share/man/man1/vaultkeep.1" >/dev/null 2>&1 || MANWIDTH=80 groff -man -Tutf8 "$root/usr/share/man/man1/vaultkeep.1" >/dev/null

# The program of the package runs on its own libraries.
ldd "$root/usr/lib/vaultkeep/vaultkeep" | grep -q "$root/usr/lib/vaultkeep/libvaultkeeplib.so" ||
  fail "the packaged program does not use the packaged library: $(ldd "$root/usr/lib/vaultkeep/vaultkeep")"

# The demo backup, started through /usr/bin/vaultkeep of the scratch root.
"$VK_SOURCE/demo/make-installation.sh" "$work/inst" >/dev/null
mkdir -p "$work/out" "$work/tmp"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM VAULTKEEP_ANSWERS
(cd "$work/inst/bin" && VAULTKEEP_REGISTRY="$work/inst/registry.reg" TMPDIR="$work/tmp" \
   timeout 60 "$root/usr/bin/vaultkeep" configbackup file "$work/out/demo") 2>"$work/err" || fail "backup: $(cat "$work/err")"
unzip -tq "$work/out/demo.conf.vkb" || fail "the archive does not test"
echo "ok: $(basename "$deb") unpacked and ran the demo backup"
