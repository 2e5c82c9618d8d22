#include "common/string_copy.h"

#include "platform/text/text.h"

namespace vk {

size_t CopyBounded(char16_t *dest, size_t size, std::u16string_view src) {
    if (size == 0) return 0;
    const size_t n = src.size() < size - 1 ? src.size() : size - 1;
    src.copy(dest, n);
    dest[n] = 0;
    return n;
}

size_t CopyBounded(char16_t *dest, size_t size, const char16_t *src) {
    return CopyBounded(dest, size, text::View(src));
}

} // namespace vk
