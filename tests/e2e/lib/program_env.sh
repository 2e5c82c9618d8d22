# Sourced by the end-to-end tests of the vaultkeep program: a fresh copy of
# the demo installation in a private folder, no display, and a runner that
# fails when the program does not end by itself.
set -euo pipefail
: "${VK_BIN:?VK_BIN names the folder of the built program}"
: "${VK_SOURCE:?VK_SOURCE names the source tree}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
inst="$work/inst"
"$VK_SOURCE/demo/make-installation.sh" "$inst" >/dev/null
export VAULTKEEP_REGISTRY="$inst/registry.reg"
export TMPDIR="$work/tmp"
mkdir -p "$TMPDIR"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM VAULTKEEP_ANSWERS
cd "$inst/bin"

# vk ARGS...: runs the program (limited to 60 seconds); its standard output is
# in $work/stdout, its standard error in $work/err and its exit code in $rc.
vk() {
  rc=0
  timeout 60 "$VK_BIN/vaultkeep" "$@" >"$work/stdout" 2>"$work/err" || rc=$?
  cat "$work/stdout" "$work/err" >&2
  if [ "$rc" -eq 124 ]; then echo "vaultkeep $* did not end by itself" >&2; exit 1; fi
}

fail() { echo "FAIL: $*" >&2; exit 1; }
