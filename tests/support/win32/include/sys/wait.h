// Stand-in for the POSIX header in the Windows build of the tests: fork and
// waitpid come from tests/support/posix_compat_win.h, where they fail with
// ENOSYS; the tests that need them are listed in tests/windows-skips.txt.
#pragma once
