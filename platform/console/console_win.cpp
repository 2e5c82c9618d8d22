// Standard error on Windows: a console window, or a pipe or file.
#include "platform/console/console.h"

#include <string>

#include "platform/win/win32.h"

namespace vk::console {

namespace {

HANDLE Stderr() { return ::GetStdHandle(STD_ERROR_HANDLE); }

bool IsConsole(HANDLE h) {
    DWORD mode = 0;
    return h && h != INVALID_HANDLE_VALUE && ::GetConsoleMode(h, &mode);
}

} // namespace

bool StderrIsTerminal() { return IsConsole(Stderr()); }

void WriteStderr(std::string_view text) {
    HANDLE h = Stderr();
    if (!h || h == INVALID_HANDLE_VALUE || text.empty()) return;
    if (IsConsole(h)) {
        // A console shows UTF-16; its code page need not be UTF-8.
        const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        std::wstring wide(static_cast<size_t>(n), L'\0');
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
        DWORD written = 0;
        ::WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    while (!text.empty()) {
        DWORD written = 0;
        if (!::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) || written == 0)
            return; // a closed or broken stream: nothing to report to
        text.remove_prefix(written);
    }
}

} // namespace vk::console
