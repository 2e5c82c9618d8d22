#include "platform/console/console.h"

#ifdef _WIN32
#include <io.h>
#include <stdio.h>
#else
#include <unistd.h>
#endif

namespace vk::console {

#ifdef _WIN32
bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

void WriteStderr(std::string_view text) {
    fwrite(text.data(), 1, text.size(), stderr);
    fflush(stderr);
}
#else
bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void WriteStderr(std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(STDERR_FILENO, text.data(), text.size());
        if (n <= 0) return; // a closed or broken stream: nothing to report to
        text.remove_prefix(static_cast<size_t>(n));
    }
}
#endif

} // namespace vk::console
