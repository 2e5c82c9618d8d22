#include "platform/console/console.h"

#include <unistd.h>

namespace vk::console {

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void WriteStderr(std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(STDERR_FILENO, text.data(), text.size());
        if (n <= 0) return; // a closed or broken stream: nothing to report to
        text.remove_prefix(static_cast<size_t>(n));
    }
}

} // namespace vk::console
