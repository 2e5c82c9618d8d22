// The process's standard error as a console: whether a person watches it (a
// terminal) and unbuffered writes to it.
#pragma once

#include <string_view>

namespace vk::console {

// True when standard error is a terminal.
bool StderrIsTerminal();

// Writes the bytes to standard error at once.
void WriteStderr(std::string_view text);

} // namespace vk::console
