// The folder of the running program file.
#include <unistd.h>

#include <string>

#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk::fs {

std::u16string ProgramFolder() {
    std::string buf(4096, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return {};
        if (static_cast<size_t>(n) < buf.size()) {
            buf.resize(static_cast<size_t>(n));
            break;
        }
        if (buf.size() > (1u << 20)) return {};
        buf.resize(buf.size() * 2);
    }
    const size_t slash = buf.rfind('/');
    if (slash == std::string::npos) return {};
    buf.resize(slash + 1);
    return vk::text::FromUtf8(buf);
}

} // namespace vk::fs
