// Counts and sizes as the window and the command line show them.
#pragma once

#include <cstdint>
#include <string>

namespace vk::app {

// A count with thousands separators: 3027 gives "3,027".
std::u16string GroupedNumber(uint64_t n);

// A size for people: "512 bytes", "12 KB", "1.5 MB", "98 MB", "2.3 GB"
// (1 KB = 1,024 bytes; one decimal below 10 of a unit).
std::u16string SizeText(uint64_t bytes);

} // namespace vk::app
