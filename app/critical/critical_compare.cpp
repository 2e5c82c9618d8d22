// The comparison of a critical file with its copy in the most recent backup.
#include <algorithm>
#include <string>
#include <vector>

#include "app/critical/critical_backup.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"

namespace vk::app {
namespace {

enum class Encoding { Ansi, Utf8, Utf8Bom, Utf16Le, Utf16Be };

struct TextFile {
    Encoding encoding = Encoding::Ansi;
    std::u16string text; // line ends as LF
};

std::u16string FromUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string out;
    out.reserve(bytes.size() / 2 + 1);
    size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        out.push_back(static_cast<char16_t>(hi << 8 | lo));
    }
    // An odd last byte still takes part in the comparison.
    if (i < bytes.size()) out.push_back(static_cast<char16_t>(0xDC00 | static_cast<unsigned char>(bytes[i])));
    return out;
}

// Reads a file as text in the encoding its bytes show: a byte-order mark,
// else UTF-8 when valid with a character beyond ASCII, else Windows-1252.
// Every decoding keeps apart the byte sequences it is given.
bool ReadText(std::u16string_view path, TextFile &file) {
    ini::FlushBeforeFileRead(path); // pending settings writes reach the disk first
    std::string bytes;
    if (!fs::ReadWhole(path, bytes)) return false;
    std::string_view b = bytes;
    std::u16string decoded;
    if (b.starts_with("\xFF\xFE")) {
        file.encoding = Encoding::Utf16Le;
        decoded = FromUtf16(b.substr(2), false);
    } else if (b.starts_with("\xFE\xFF")) {
        file.encoding = Encoding::Utf16Be;
        decoded = FromUtf16(b.substr(2), true);
    } else if (b.starts_with("\xEF\xBB\xBF") && text::IsValidUtf8(b.substr(3))) {
        file.encoding = Encoding::Utf8Bom;
        decoded = text::FromUtf8(b.substr(3));
    } else {
        bool ascii = true;
        for (char c : b) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        const bool utf8 = !ascii && text::IsValidUtf8(b);
        file.encoding = utf8 ? Encoding::Utf8 : Encoding::Ansi;
        decoded = utf8 ? text::FromUtf8(b) : text::FromCp1252(b);
    }
    // Read as text: CR LF becomes LF.
    file.text.clear();
    file.text.reserve(decoded.size());
    for (size_t i = 0; i < decoded.size(); ++i)
        if (!(decoded[i] == u'\r' && i + 1 < decoded.size() && decoded[i + 1] == u'\n')) file.text.push_back(decoded[i]);
    return true;
}

// Equal length and equal characters, case ignored. NUL is a character like
// any other: text after it counts.
bool SameText(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && text::FoldCase(a[i]) != text::FoldCase(b[i])) return false;
    return true;
}

// The next line with its LF; empty at the end of the text.
std::u16string_view NextLine(std::u16string_view text, size_t &pos) {
    if (pos >= text.size()) return {};
    const size_t lf = text.find(u'\n', pos);
    const size_t end = lf == std::u16string_view::npos ? text.size() : lf + 1;
    const std::u16string_view line = text.substr(pos, end - pos);
    pos = end;
    return line;
}

std::vector<std::u16string_view> SplitPrefixes(std::u16string_view list) {
    std::vector<std::u16string_view> prefixes;
    size_t i = 0;
    while (i <= list.size()) {
        const size_t end = std::min(list.find(u';', i), list.size());
        // An empty entry (";;" or a trailing ";") would match every line and
        // hide every change: it is no prefix.
        if (end > i) prefixes.push_back(list.substr(i, end - i));
        i = end + 1;
    }
    return prefixes;
}

} // namespace

bool CompareFiles(std::u16string_view current, std::u16string_view copy, const char16_t *ignorePrefixes) {
    TextFile a, b;
    if (!ReadText(current, a) || !ReadText(copy, b)) return false;
    if (a.encoding != b.encoding) return false;
    if (!ignorePrefixes) return SameText(a.text, b.text);

    const std::vector<std::u16string_view> prefixes = SplitPrefixes(text::View(ignorePrefixes));
    size_t pa = 0, pb = 0;
    for (;;) {
        if (pa >= a.text.size() && pb >= b.text.size()) return true;
        const std::u16string_view la = NextLine(a.text, pa);
        const std::u16string_view lb = NextLine(b.text, pb);
        bool skip = false;
        for (std::u16string_view prefix : prefixes) skip = skip || text::StartsWithNoCase(la, prefix);
        if (!skip && !SameText(la, lb)) return false;
    }
}

} // namespace vk::app
