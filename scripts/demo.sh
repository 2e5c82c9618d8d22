#!/usr/bin/env bash
# Sets up, builds and runs the main job on a fresh copy of the bundled demo
# installation. The copy lives in ${VK_DEMO_ROOT:-/tmp/vaultkeep-demo}.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh release
root=${VK_DEMO_ROOT:-/tmp/vaultkeep-demo}
demo/make-installation.sh "$root"
export VAULTKEEP_REGISTRY="$root/registry.reg"
cd "$root/bin"
exec "$OLDPWD/build/bin/vaultkeep" "$@"
