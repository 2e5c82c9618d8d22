// Included first into every test source of the Windows build: the few POSIX
// calls the tests use to arrange their cases, done with Windows calls where
// Windows has them. Calls with no Windows counterpart (fork, kill, symbolic
// links of the tests' own making) fail with ENOSYS; the tests that need them
// are listed in tests/windows-skips.txt with the reason. <sys/wait.h> is an
// empty stand-in (tests/support/win32/include/).
#pragma once

#ifdef __cplusplus
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <io.h>
#include <direct.h>

extern "C" __declspec(dllimport) int __stdcall SetEnvironmentVariableA(const char *, const char *);

inline int setenv(const char *name, const char *value, int overwrite) {
    if (!overwrite && std::getenv(name)) return 0;
    // Both the C runtime's copy and the process environment, which the
    // Windows side of the platform layer reads.
    if (_putenv_s(name, value) != 0) return -1;
    SetEnvironmentVariableA(name, value);
    return 0;
}

inline int unsetenv(const char *name) {
    _putenv_s(name, "");
    SetEnvironmentVariableA(name, nullptr);
    return 0;
}

inline char *mkdtemp(char *templ) {
    const size_t n = std::strlen(templ);
    if (n < 6) return nullptr;
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        unsigned v = static_cast<unsigned>(std::rand()) * 7919u + (++counter) * 104729u + static_cast<unsigned>(_getpid());
        for (size_t i = n - 6; i < n; ++i, v /= 36) templ[i] = "abcdefghijklmnopqrstuvwxyz0123456789"[v % 36];
        if (_mkdir(templ) == 0) return templ;
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

using pid_t_compat = int;
inline int fork() {
    errno = ENOSYS;
    return -1;
}
inline int waitpid(int, int *, int) {
    errno = ENOSYS;
    return -1;
}
inline int kill(int, int) {
    errno = ENOSYS;
    return -1;
}
inline int symlink(const char *, const char *) {
    errno = ENOSYS;
    return -1;
}
inline unsigned geteuid() { return 1000; }
inline int mkfifo(const char *, int) {
    errno = ENOSYS;
    return -1;
}
#ifndef O_NONBLOCK
#define O_NONBLOCK 0x4000
#endif
#ifndef SIGKILL
#define SIGKILL 9
#endif
#endif
