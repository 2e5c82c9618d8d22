// Path roots on Linux: one root, "/".
#include "platform/fs/fs.h"

namespace vk::fs {

bool IsSeparator(char16_t c) { return c == u'/'; }

size_t RootLength(std::u16string_view path) { return !path.empty() && path.front() == u'/' ? 1 : 0; }

std::u16string InternalPath(std::u16string_view path) { return std::u16string(path); }

} // namespace vk::fs
