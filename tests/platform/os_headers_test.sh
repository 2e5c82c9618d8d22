#!/usr/bin/env bash
# Operating-system headers appear only in the files of one system
# (*_posix.cpp, *_win.cpp, platform/win/win32.h), in the Qt renderer and in
# the Windows renderer (platform/ui/win32/, built only for Windows);
# portable code stays free of them on both systems.
set -euo pipefail
cd "${VK_SOURCE:?}"
pattern='#include <(windows\.h|winbase\.h|shellapi\.h|objbase\.h|unistd\.h|dlfcn\.h|fcntl\.h|dirent\.h|spawn\.h|signal\.h|sys/[a-z_]+\.h)>'
found=$(grep -rnE "$pattern" platform lib app common arczip32 include \
          --include='*.cpp' --include='*.h' --include='*.c' |
        grep -vE '^[^:]*_(posix|win)\.cpp:|^platform/win/win32\.h:|^platform/ui/qt/|^platform/ui/win32/' || true)
if [ -n "$found" ]; then
  echo "OS headers in portable code:" >&2
  echo "$found" >&2
  exit 1
fi
echo ok
