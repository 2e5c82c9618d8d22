// The test helpers that differ between the systems: temporary folders and
// shell commands, on Windows under Wine. Temporary folders are made under the
// Unix temporary folder and named by their Unix path ("/tmp/vktest.x/"),
// which Windows calls resolve on the current drive (Wine's Z:, the Unix
// root), so the Unix tools that tests call (unzip, python3, bash) read the
// same files. Shell commands run in the Unix shell; Wine does not pass a Unix
// program's exit code on, so the command writes it to a file, and the end of
// the command is seen by that file appearing.
#include <fcntl.h>
#include <stdlib.h>

#include <cstdlib>
#include <stdexcept>

#include "platform/fs/fs.h"
#include "platform/win/win32.h"
#include "tests/support/test_support.h"

namespace vk::test {

// Files the tests open with the C library's POSIX calls (open, fopen) hold
// bytes, as on Linux: no "\r" added before each "\n" on the way.
const bool kBinaryFiles = [] {
    _fmode = _O_BINARY;
    return true;
}();

TempFolder::TempFolder() {
    const char *tmp = std::getenv("TMPDIR");
    std::string base = (tmp && *tmp && tmp[0] == '/') ? tmp : "/tmp";
    if (base.back() != '/') base.push_back('/');
    const std::u16string made = vk::fs::MakeUniqueFolder(U(base), u"vktest.");
    if (made.empty()) throw std::runtime_error("cannot make a temporary folder");
    path_ = N(made);
}

int Shell(const std::string &command, std::string *output) {
    vk::test::TempFolder scratch;
    const std::string out = scratch.file("out.txt");
    const std::string code = scratch.file("code.txt");
    const std::string script = scratch.file("run.sh");
    // The exit code is written under another name and renamed: its file
    // appears whole, once the command has ended.
    WriteFile(script, "(" + command + ") > " + Quote(out) + " 2>&1 </dev/null; echo $? > " + Quote(code + ".part") +
                          "; mv " + Quote(code + ".part") + " " + Quote(code) + "\n");
    std::wstring line = L"Z:\\bin\\sh " + vk::win::Wide(U(script));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    // Wine hands a Unix program over to the Unix side and the process handle
    // may be signalled before the program has ended: wait for its exit code.
    for (int waited = 0; !FileExists(code) && waited < 600'000; waited += 20) ::Sleep(20);
    if (output) *output = vk::test::ReadFile(out);
    const std::string text = vk::test::ReadFile(code);
    return text.empty() ? -1 : std::atoi(text.c_str());
}

} // namespace vk::test
