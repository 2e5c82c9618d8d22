// The acquisition module of a tool: a library of the host, named by the
// "Software" value of a tool section, that lists further calibration report
// formats through its export "GetSoftwSpecific".
//
// The module is "<BinDir><Software>32.dll" (on this platform an ELF shared
// object under that name). The export:
//   int32_t GetSoftwSpecific(const char16_t *what, int32_t index, int32_t reserved,
//                            char16_t *buffer, int32_t reserved2);
// called with what = "CALREPFORMAT", index 0, 1, 2, ..., reserved 0 and a
// buffer of 1,024 characters that holds the section name on the first call;
// a non-zero result means the buffer now holds a file name.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vk::tools {

using GetSoftwSpecificFn = int32_t (*)(const char16_t *what, int32_t index, int32_t reserved, char16_t *buffer,
                                       int32_t reserved2);

inline constexpr size_t kModuleBufferChars = 1024;
// A module that keeps answering is not asked for more names than this.
inline constexpr int kMaxModuleNames = 1000;

// "<binDir><software>32.dll".
std::u16string ModulePath(std::u16string_view binDir, std::u16string_view software);

// Loads the module of `software` from the program folder and hands each
// calibration report format it names (as delivered, NUL-terminated) to
// `take`. A missing module or export adds nothing. Returns the count.
int ModuleReportFormats(std::u16string_view software, std::u16string_view section,
                        const std::function<void(const std::u16string &)> &take);

} // namespace vk::tools
