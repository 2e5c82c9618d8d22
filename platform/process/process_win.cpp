// Viewer start through the shell's "open" verb, the program's wide command
// line and its standard streams on Windows.
#include "platform/process/process.h"

#include <cstdio>

#include "platform/text/text.h"
#include "platform/win/win32.h"

#include <objbase.h>
#include <shellapi.h>

namespace vk::process {

namespace {

void ToStandardError(std::u16string_view what) {
    const std::string line = vk::text::ToUtf8(what) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

// ShellExecuteExW with the "open" verb: the program registered for the file
// type (or the browser for an address) starts; no command shell in between.
bool ShellOpen(std::u16string_view target) {
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const std::wstring file = vk::win::Wide(target);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.nShow = SW_SHOWNORMAL;
    const bool ok = ::ShellExecuteExW(&info) != 0;
    if (SUCCEEDED(com)) ::CoUninitialize();
    return ok;
}

bool Open(std::u16string_view target) {
    if (target.empty()) return false;
    if (DisplayPresent() && ShellOpen(target)) return true;
    ToStandardError(target);
    return false;
}

} // namespace

bool DisplayPresent() {
    // Tests name headless runs: Wine's window station is interactive even
    // without an X display.
    wchar_t flag[2];
    if (::GetEnvironmentVariableW(L"VAULTKEEP_HEADLESS", flag, 2) > 0) return false;
    HWINSTA station = ::GetProcessWindowStation();
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    if (!station || !::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed)) return false;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

bool OpenInViewer(std::u16string_view path) {
    // The shell takes the path with Windows separators.
    std::u16string native(path);
    for (char16_t &c : native)
        if (c == u'/') c = u'\\';
    return Open(native);
}

bool OpenUrl(std::u16string_view url) { return Open(url); }

std::vector<std::string> ProgramArguments() {
    std::vector<std::string> args;
    int count = 0;
    wchar_t **argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!argv) return args;
    for (int i = 0; i < count; ++i) args.push_back(vk::text::ToUtf8(vk::win::FromWide(argv[i])));
    ::LocalFree(argv);
    return args;
}

void ConnectStandardStreams() {
    const bool haveOut = ::GetStdHandle(STD_OUTPUT_HANDLE) != nullptr;
    const bool haveErr = ::GetStdHandle(STD_ERROR_HANDLE) != nullptr;
    if (haveOut && haveErr) return;
    if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (!haveOut) std::freopen("CONOUT$", "w", stdout);
    if (!haveErr) std::freopen("CONOUT$", "w", stderr);
}

} // namespace vk::process
