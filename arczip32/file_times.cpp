#include "arczip32/file_times.h"

#include <limits>

namespace vk::arc {

namespace {
constexpr int64_t kEpochDelta = 11644473600LL; // seconds from 1601 to 1970
constexpr int64_t kTicksPerSecond = 10000000LL;
constexpr uint8_t kHasModificationTime = 0x01;
} // namespace

uint64_t FileTimeFromUnix(int64_t seconds) {
    const int64_t ticks = (seconds + kEpochDelta) * kTicksPerSecond;
    return ticks < 0 ? 0 : static_cast<uint64_t>(ticks);
}

int64_t UnixFromFileTime(uint64_t fileTime) {
    return static_cast<int64_t>(fileTime / kTicksPerSecond) - kEpochDelta;
}

std::string ExtendedTimestamp(int64_t unixSeconds) {
    if (unixSeconds < std::numeric_limits<int32_t>::min() || unixSeconds > std::numeric_limits<int32_t>::max())
        return {};
    const uint32_t v = static_cast<uint32_t>(static_cast<int32_t>(unixSeconds));
    std::string data(5, '\0');
    data[0] = static_cast<char>(kHasModificationTime);
    for (int i = 0; i < 4; ++i) data[1 + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return data;
}

std::optional<int64_t> ReadExtendedTimestamp(std::string_view data) {
    if (data.size() < 5 || (static_cast<uint8_t>(data[0]) & kHasModificationTime) == 0) return std::nullopt;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(data[1 + i])) << (8 * i);
    return static_cast<int64_t>(static_cast<int32_t>(v));
}

} // namespace vk::arc
