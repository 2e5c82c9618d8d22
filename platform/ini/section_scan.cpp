// A quick look whether a file can hold a section at all, before the engine
// reads and parses it: the section's name is searched in the raw bytes.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/ini/ini_cache.h"

namespace vk::ini {

namespace {

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The name as it would lie in the file: 8-bit, UTF-16LE and UTF-16BE.
std::vector<std::string> Spellings(std::string_view name) {
    std::string narrow, little, big;
    for (char c : name) {
        narrow += FoldAscii(c);
        little += FoldAscii(c);
        little += '\0';
        big += '\0';
        big += FoldAscii(c);
    }
    return {narrow, little, big};
}

bool Holds(const std::string &folded, const std::vector<std::string> &spellings) {
    for (const std::string &s : spellings) {
        const std::boyer_moore_horspool_searcher search(s.begin(), s.end());
        if (std::search(folded.begin(), folded.end(), search) != folded.end()) return true;
    }
    return false;
}

} // namespace

bool MayHoldSection(std::u16string_view file, std::string_view section) {
    if (section.empty()) return true;
    {
        std::lock_guard<std::mutex> lock(detail::CacheMutex());
        if (detail::PendingOutsideScratch()) return true;
    }
    vk::fs::File in;
    // A file that cannot be opened here is left to the engine to judge.
    if (!in.Open(file)) return true;
    const std::vector<std::string> spellings = Spellings(section);
    const size_t keep = section.size() * 2; // a name split between two blocks
    constexpr size_t kBlock = 256 * 1024;
    std::string window;
    std::string block(kBlock, '\0');
    for (;;) {
        const int64_t n = in.Read(block.data(), kBlock);
        if (n < 0) return true;
        if (n == 0) return false;
        const size_t tail = std::min(window.size(), keep);
        window.erase(0, window.size() - tail);
        window.resize(tail + static_cast<size_t>(n));
        std::transform(block.begin(), block.begin() + n, window.begin() + static_cast<std::ptrdiff_t>(tail), FoldAscii);
        if (Holds(window, spellings)) return true;
    }
}

} // namespace vk::ini
