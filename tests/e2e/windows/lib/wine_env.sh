# Sourced by the end-to-end tests of the Windows build under Wine: a fresh
# copy of the demo installation whose folders are put into Wine's registry
# (HKLM\System\CurrentControlSet\Services\KDBase, imported with regedit), no
# registry file, no display, and a runner for vaultkeep.exe.
set -euo pipefail
: "${VK_BIN:?VK_BIN names the folder of the Windows build}"
: "${VK_SOURCE:?VK_SOURCE names the source tree}"
: "${VK_WINE:?VK_WINE names the Wine loader}"
: "${WINEPREFIX:?WINEPREFIX names the Wine prefix}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" VAULTKEEP_HEADLESS=1
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM VAULTKEEP_ANSWERS VAULTKEEP_REGISTRY
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
inst="$work/inst"
"$VK_SOURCE/demo/make-installation.sh" "$inst" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }

# winpath UNIX-PATH: the same file as Windows programs under Wine name it
# (Wine's drive Z: is the Unix root).
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

# The installation's folders, from its registry file, into Wine's registry.
put_into_registry() {
  local reg="$work/kdbase.reg"
  {
    printf 'REGEDIT4\r\n\r\n'
    printf '[-HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\r\n'
    iconv -f UTF-16LE -t UTF-8 "$1/registry.reg" | tr -d '\r' | sed -n 's/^"\([A-Za-z]*Dir\)"="\(.*\)"$/\1 \2/p' |
      while read -r name value; do
        printf '"%s"="%s"\r\n' "$name" "$(winpath "$value" | sed 's/\\/\\\\/g')"
      done
  } >"$reg"
  "$VK_WINE" regedit /S "$(winpath "$reg")"
}
put_into_registry "$inst"

# vk ARGS...: runs vaultkeep.exe (limited to 120 seconds) from the
# installation's program folder; what it wrote (the outcome line goes to
# standard output, failures and boxes to standard error) is in $work/err and
# its exit code in $rc.
vk() {
  rc=0
  (cd "$inst/bin" && timeout 120 "$VK_WINE" "$VK_BIN/vaultkeep.exe" "$@") >"$work/stdout" 2>"$work/err" || rc=$?
  cat "$work/stdout" "$work/err" | tr -d '\r' >"$work/err.txt" && mv "$work/err.txt" "$work/err"
  cat "$work/err" >&2
  if [ "$rc" -eq 124 ]; then echo "vaultkeep.exe $* did not end by itself" >&2; exit 1; fi
}
