// Bounded copies of UTF-16 text into fixed buffers.
#pragma once

#include <cstddef>
#include <string_view>

namespace vk {

// Copies at most size - 1 characters of src and a NUL; returns the length
// copied. size 0 leaves dest untouched.
size_t CopyBounded(char16_t *dest, size_t size, std::u16string_view src);
size_t CopyBounded(char16_t *dest, size_t size, const char16_t *src);

} // namespace vk
