#include "app/shell/figures.h"

#include <cstdio>

#include "platform/text/text.h"

namespace vk::app {

std::u16string GroupedNumber(uint64_t n) {
    std::string digits = std::to_string(n);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<size_t>(at), ",");
    return text::U16(digits);
}

std::u16string SizeText(uint64_t bytes) {
    if (bytes < 1024) return GroupedNumber(bytes) + (bytes == 1 ? u" byte" : u" bytes");
    static const char *const kUnits[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1024.0;
    size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    if (value < 9.95) std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    else std::snprintf(text, sizeof text, "%.0f %s", value, kUnits[unit]);
    return text::U16(text);
}

} // namespace vk::app
