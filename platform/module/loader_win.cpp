// Loading DLLs with LoadLibraryExW.
#include "platform/module/loader.h"

#include "platform/text/text.h"
#include "platform/win/win32.h"

namespace vk::module {

namespace {

// "<text> (error <code>)", the first line of Windows' text for the code; a
// 32-bit DLL in a 64-bit process is named as such.
std::string LoadErrorText(const std::u16string &path, DWORD code) {
    std::string text = "cannot load " + vk::text::ToUtf8(path) + ": ";
    if (code == ERROR_BAD_EXE_FORMAT) {
        text += "not a 64-bit Windows DLL (ERROR_BAD_EXE_FORMAT)";
        return text;
    }
    wchar_t *message = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, code, 0, reinterpret_cast<wchar_t *>(&message), 0, nullptr);
    std::wstring first = n && message ? std::wstring(message, n) : std::wstring();
    if (message) ::LocalFree(message);
    const size_t end = first.find_first_of(L"\r\n");
    if (end != std::wstring::npos) first.resize(end);
    text += first.empty() ? "error" : vk::text::ToUtf8(vk::win::FromWide(first));
    text += " (error " + std::to_string(code) + ")";
    return text;
}

} // namespace

bool Library::Open(std::u16string_view path) {
    Close();
    error_.clear();
    if (path.empty()) {
        error_ = "empty library name";
        return false;
    }
    // An unattended run never waits on a loader message box; the module's own
    // dependencies come from its folder and the system, not from the current
    // folder.
    DWORD oldMode = 0;
    ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
    const std::wstring native = vk::win::Win32Path(path);
    HMODULE h = ::LoadLibraryExW(native.c_str(), nullptr,
                                 LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    const DWORD code = ::GetLastError();
    ::SetThreadErrorMode(oldMode, nullptr);
    if (!h) {
        error_ = LoadErrorText(std::u16string(path), code);
        return false;
    }
    handle_ = reinterpret_cast<void *>(h);
    return true;
}

void Library::Close() {
    if (handle_) {
        ::FreeLibrary(reinterpret_cast<HMODULE>(handle_));
        handle_ = nullptr;
    }
}

void *Library::Symbol(const char *name) const {
    if (!handle_ || !name) return nullptr;
    FARPROC p = ::GetProcAddress(reinterpret_cast<HMODULE>(handle_), name);
    if (!p) error_ = std::string("no symbol ") + name;
    return reinterpret_cast<void *>(p);
}

} // namespace vk::module
