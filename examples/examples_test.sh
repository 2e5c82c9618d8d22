#!/usr/bin/env bash
# The example programs on fresh copies of the demo installation:
#  1. the headless listing of the tool tree of installation A;
#  2. service "Cased Hole Correlation" backed up from A and restored into B,
#     from which the service, its script, presentations and tools were removed
#     first; B's tool tree then lists the service's tools.
set -euo pipefail

bin=${VK_BIN:?}
src=${VK_SOURCE:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export -n DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM 2>/dev/null || true
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

fail() { echo "FAIL: $*" >&2; exit 1; }
# The Windows build's examples run under Wine (VK_RUN), named with ".exe".
example() { ${VK_RUN:-} "$bin/$1${VK_EXE:-}" "${@:2}"; }
expect() { grep -qF -- "$2" "$1" || { cat "$1" >&2; fail "'$2' not in $1"; }; }
refuse() { if grep -qF -- "$2" "$1"; then cat "$1" >&2; fail "'$2' in $1"; fi; }

bash "$src/demo/make-installation.sh" "$work/a" >/dev/null
bash "$src/demo/make-installation.sh" "$work/b" >/dev/null

# 1. The listing.
VAULTKEEP_REGISTRY="$work/a/registry.reg" example vk_tool_tree_view --list >"$work/list-a.txt"
expect "$work/list-a.txt" "Logging Tools [1]"
expect "$work/list-a.txt" "Accessory Tools [2]"
expect "$work/list-a.txt" "TCP [3]"
expect "$work/list-a.txt" "  Gamma [1 category]"
expect "$work/list-a.txt" "GR1001 [1 serial=GR1001 model=GR-2]"
refuse "$work/list-a.txt" "GR1020"   # after a gap in [GR]

# 2. Carry the service over.
printf '; emptied\r\n[Service]\r\n' >"$work/b/config/services.ini"
: >"$work/b/config/tools.ini"
rm -f "$work/b/script/cased.seq" "$work/b/format/cased.prs" "$work/b/format/cased_hdr.bhf"

VAULTKEEP_REGISTRY="$work/a/registry.reg" \
  example vk_service_transfer backup "Cased Hole Correlation" "$work/svc.vkb" >"$work/backup.txt"
[ -s "$work/svc.vkb" ] || fail "no archive"
expect "$work/backup.txt" "backup of Cased Hole Correlation:"

VAULTKEEP_REGISTRY="$work/b/registry.reg" \
  example vk_service_transfer restore "Cased Hole Correlation" "$work/svc.vkb" >"$work/restore.txt"
expect "$work/restore.txt" "restore of Cased Hole Correlation:"

expect "$work/b/config/services.ini" "[Cased Hole Correlation]"
expect "$work/b/config/services.ini" "Tool1=GR;serial=GR1001"
[ -f "$work/b/script/cased.seq" ] || fail "script not restored"
[ -f "$work/b/format/cased.prs" ] || fail "presentation not restored"
expect "$work/b/config/tools.ini" "[GR-GR1001]"
expect "$work/b/config/tools.ini" "[CCL-CCL-1]"

VAULTKEEP_REGISTRY="$work/b/registry.reg" example vk_tool_tree_view --list >"$work/list-b.txt"
expect "$work/list-b.txt" "GR1001 [1 serial=GR1001 model=GR-2]"
expect "$work/list-b.txt" "CCL"
echo "examples: ok"
