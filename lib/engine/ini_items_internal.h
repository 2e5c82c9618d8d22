// Small profile reads shared by the ini item modules. Not used outside
// lib/engine.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vk::engine {

// A value of an ini file, whole however long ("" when missing or empty).
std::u16string ReadIniValue(std::u16string_view section, std::u16string_view key, std::u16string_view file);
// The key names of a section in file order (empty when the section is missing).
std::vector<std::u16string> ReadIniKeys(std::u16string_view section, std::u16string_view file);
// Value n (1, 2, ...) of a numbered list; "" ends the list.
std::u16string ReadNumberedValue(std::u16string_view section, int n, std::u16string_view file);
// Adds a value to a numbered list of a file (next free number, no duplicates).
void AddToNumberedList(std::u16string_view section, std::u16string_view value, std::u16string_view file);

} // namespace vk::engine
