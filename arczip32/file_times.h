// Modification times of entries: Unix seconds, Windows file times and the
// extended-timestamp extra field (id 0x5455) that keeps the exact second in
// UTC (the DOS time of a ZIP entry has two-second steps and local time).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vk::arc {

inline constexpr uint16_t kExtendedTimestampId = 0x5455;

uint64_t FileTimeFromUnix(int64_t seconds);
int64_t UnixFromFileTime(uint64_t fileTime);

// The extra field data holding the modification time; empty when the time
// does not fit the field's signed 32 bits.
std::string ExtendedTimestamp(int64_t unixSeconds);
// The modification time from such a field, when it holds one.
std::optional<int64_t> ReadExtendedTimestamp(std::string_view data);

} // namespace vk::arc
