// The folder of the running program file.
#include <string>

#include "platform/fs/fs.h"
#include "platform/win/win32.h"

namespace vk::fs {

std::u16string ProgramFolder() {
    // GetModuleFileNameW truncates to the buffer and says so; grow it. The
    // null module is the program itself, also when called from a DLL.
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) {
            buf.resize(n);
            break;
        }
        if (buf.size() > 32768) return {};
        buf.resize(buf.size() * 2);
    }
    const std::u16string path = win::FromWin32Path(buf);
    return ParentFolder(path);
}

} // namespace vk::fs
