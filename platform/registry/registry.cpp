// Parser of registry export files.
//
// The file is decoded to UTF-16, checked for one of the two export headers and
// read line by line: "[key]" opens a key ("[-key]" deletes one), and
// "name"=data / @=data lines give its values. Data is a quoted string (with
// escapes for backslash and quote), dword:xxxxxxxx, hex:..., hex(n):... (hex
// lists may continue over several lines with a trailing backslash) or "-"
// (value deleted).
// Anything malformed is skipped; nothing in the file can make the parser fail
// in any other way.
#include "platform/registry/registry.h"

#include <cstdlib>
#include <unordered_map>

#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk::registry {

namespace {

constexpr std::u16string_view kHeader5 = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kHeader4 = u"REGEDIT4";

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        out.push_back(static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a));
    }
    return out;
}

std::u16string Decode(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
        return DecodeUtf16(bytes.substr(2), false);
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
        static_cast<unsigned char>(bytes[1]) == 0xFF)
        return DecodeUtf16(bytes.substr(2), true);
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return vk::text::FromUtf8(bytes.substr(3));
    // UTF-16LE without a byte-order mark: ASCII text with every second byte 0.
    if (bytes.size() >= 4 && bytes[0] != 0 && bytes[1] == 0 && bytes[2] != 0 && bytes[3] == 0)
        return DecodeUtf16(bytes, false);
    if (vk::text::IsValidUtf8(bytes)) return vk::text::FromUtf8(bytes);
    return vk::text::FromCp1252(bytes);
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && (IsBlank(s.front()) || s.front() == u'\0')) s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == u'\0')) s.remove_suffix(1);
    return s;
}

std::vector<std::u16string_view> SplitLines(std::u16string_view text) {
    std::vector<std::u16string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// Full key path with the root spelt out and no trailing separators.
std::u16string NormalizeKeyPath(std::u16string_view path) {
    path = Trim(path);
    while (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    while (!path.empty() && path.front() == u'\\') path.remove_prefix(1);
    const size_t sep = path.find(u'\\');
    std::u16string root(path.substr(0, sep));
    const std::u16string_view rest = sep == std::u16string_view::npos ? std::u16string_view() : path.substr(sep);
    static const struct {
        std::u16string_view shortName, longName;
    } kRoots[] = {{u"HKLM", u"HKEY_LOCAL_MACHINE"},
                  {u"HKCU", u"HKEY_CURRENT_USER"},
                  {u"HKCR", u"HKEY_CLASSES_ROOT"},
                  {u"HKU", u"HKEY_USERS"},
                  {u"HKCC", u"HKEY_CURRENT_CONFIG"}};
    for (const auto &r : kRoots)
        if (vk::text::EqualNoCase(root, r.shortName)) root = r.longName;
    return root + std::u16string(rest);
}

// Reads a quoted string starting at s[pos] == '"'; pos ends after the closing
// quote. False when the string is not closed on this line.
bool ReadQuoted(std::u16string_view s, size_t &pos, std::u16string &out) {
    out.clear();
    ++pos;
    while (pos < s.size()) {
        const char16_t c = s[pos];
        if (c == u'"') {
            ++pos;
            return true;
        }
        if (c == u'\\' && pos + 1 < s.size() && (s[pos + 1] == u'\\' || s[pos + 1] == u'"')) {
            out.push_back(s[pos + 1]);
            pos += 2;
            continue;
        }
        out.push_back(c);
        ++pos;
    }
    return false;
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Reads a comma-separated hex byte list that may continue on the next lines
// (a trailing backslash). `line` is advanced past every line consumed.
bool ReadHexList(std::u16string_view first, const std::vector<std::u16string_view> &lines, size_t &line,
                 std::vector<uint8_t> &bytes) {
    bytes.clear();
    std::u16string_view rest = first;
    for (;;) {
        std::u16string_view t = Trim(rest);
        bool more = false;
        if (!t.empty() && t.back() == u'\\') {
            more = true;
            t.remove_suffix(1);
        }
        size_t i = 0;
        while (i < t.size()) {
            if (IsBlank(t[i]) || t[i] == u',') {
                ++i;
                continue;
            }
            int value = 0, digits = 0;
            while (i < t.size() && HexDigit(t[i]) >= 0) {
                value = ((value << 4) | HexDigit(t[i])) & 0xFFFF;
                ++digits;
                ++i;
            }
            if (digits == 0 || digits > 2) return false;
            bytes.push_back(static_cast<uint8_t>(value));
        }
        if (!more || line + 1 >= lines.size()) return true;
        ++line;
        rest = lines[line];
    }
}

std::u16string TextFromBytes(const std::vector<uint8_t> &bytes, bool utf16) {
    std::u16string out;
    if (utf16) {
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const char16_t c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
            if (c == 0) break;
            out.push_back(c);
        }
    } else {
        std::string narrow;
        for (uint8_t b : bytes) {
            if (b == 0) break;
            narrow.push_back(static_cast<char>(b));
        }
        out = vk::text::FromCp1252(narrow);
    }
    return out;
}

// The values of the wanted key as they are read. Names are found through an
// index by their case-folded spelling, so a key with very many values is
// read in linear time; a deleted value leaves a gap until Finish.
class KeyValues {
public:
    explicit KeyValues(RegKey &key) : key_(key) {}

    void Put(RegValue value) {
        const std::u16string folded = Folded(value.name);
        const auto at = index_.find(folded);
        if (at != index_.end()) {
            key_.values[at->second] = std::move(value);
            return;
        }
        index_.emplace(folded, key_.values.size());
        key_.values.push_back(std::move(value));
        live_.push_back(true);
    }

    void Delete(std::u16string_view name) {
        const auto at = index_.find(Folded(name));
        if (at == index_.end()) return;
        live_[at->second] = false;
        index_.erase(at);
    }

    void Clear() {
        key_.values.clear();
        live_.clear();
        index_.clear();
    }

    // Closes the gaps of deleted values, keeping the order of the others.
    void Finish() {
        size_t kept = 0;
        for (size_t i = 0; i < key_.values.size(); ++i) {
            if (!live_[i]) continue;
            if (kept != i) key_.values[kept] = std::move(key_.values[i]);
            ++kept;
        }
        key_.values.resize(kept);
        live_.assign(kept, true);
        index_.clear();
    }

private:
    static std::u16string Folded(std::u16string_view name) {
        std::u16string out(name);
        for (char16_t &c : out) c = vk::text::FoldCase(c);
        return out;
    }

    RegKey &key_;
    std::vector<bool> live_;
    std::unordered_map<std::u16string, size_t> index_;
};

// Parses the data part of a value line (after "="); may consume further lines.
// `apply` is false for keys other than the wanted one: the line is still
// consumed, so continuation lines are never taken for keys or values.
void ParseValueLine(std::u16string_view lineText, const std::vector<std::u16string_view> &lines, size_t &line,
                    bool unicodeFormat, bool apply, KeyValues &key) {
    std::u16string_view s = Trim(lineText);
    RegValue value;
    size_t pos = 0;
    if (s[0] == u'@') {
        pos = 1;
    } else if (!ReadQuoted(s, pos, value.name)) {
        return;
    }
    while (pos < s.size() && IsBlank(s[pos])) ++pos;
    if (pos >= s.size() || s[pos] != u'=') return;
    ++pos;
    while (pos < s.size() && IsBlank(s[pos])) ++pos;
    const std::u16string_view data = s.substr(pos);

    if (!data.empty() && data[0] == u'"') {
        size_t p = 0;
        if (!ReadQuoted(data, p, value.text)) return;
        value.type = RegValue::Type::String;
        value.byteSize = (value.text.size() + 1) * 2;
        if (apply) key.Put(std::move(value));
        return;
    }
    if (data == u"-") {
        if (apply) key.Delete(value.name);
        return;
    }
    if (vk::text::StartsWithNoCase(data, u"dword:")) {
        uint32_t n = 0;
        int digits = 0;
        for (char16_t c : Trim(data.substr(6))) {
            const int d = HexDigit(c);
            if (d < 0 || ++digits > 8) return;
            n = (n << 4) | static_cast<uint32_t>(d);
        }
        if (digits == 0) return;
        value.type = RegValue::Type::Dword;
        for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<uint8_t>(n >> (8 * i)));
        value.byteSize = 4;
        if (apply) key.Put(std::move(value));
        return;
    }
    if (vk::text::StartsWithNoCase(data, u"hex")) {
        std::u16string_view rest = data.substr(3);
        int kind = 3; // REG_BINARY
        if (!rest.empty() && rest[0] == u'(') {
            const size_t close = rest.find(u')');
            if (close == std::u16string_view::npos) return;
            kind = 0;
            int digits = 0;
            for (char16_t c : rest.substr(1, close - 1)) {
                const int d = HexDigit(c);
                if (d < 0 || ++digits > 8) {
                    kind = -1;
                    break;
                }
                kind = (kind << 4) | d;
            }
            rest = rest.substr(close + 1);
        }
        if (rest.empty() || rest[0] != u':') return;
        std::vector<uint8_t> bytes;
        const bool ok = ReadHexList(rest.substr(1), lines, line, bytes);
        if (!ok || !apply) return;
        value.byteSize = bytes.size();
        switch (kind) {
        case 1:
        case 2:
        case 7:
            value.type = kind == 1 ? RegValue::Type::String
                                   : kind == 2 ? RegValue::Type::ExpandString : RegValue::Type::MultiString;
            value.text = TextFromBytes(bytes, unicodeFormat);
            if (!unicodeFormat) value.byteSize = (value.text.size() + 1) * 2;
            break;
        case 4: value.type = RegValue::Type::Dword; break;
        case 3: value.type = RegValue::Type::Binary; break;
        default: value.type = RegValue::Type::Other; break;
        }
        value.data = std::move(bytes);
        key.Put(std::move(value));
    }
}

} // namespace

bool OpenKeyIn(std::string_view fileBytes, std::u16string_view keyPath, RegKey &key) {
    key = RegKey{};
    const std::u16string text = Decode(fileBytes);
    const std::vector<std::u16string_view> lines = SplitLines(text);

    size_t line = 0;
    while (line < lines.size() && Trim(lines[line]).empty()) ++line;
    if (line >= lines.size()) return false;
    const std::u16string_view header = Trim(lines[line]);
    bool unicodeFormat;
    if (header == kHeader5) unicodeFormat = true;
    else if (header == kHeader4) unicodeFormat = false;
    else return false;

    const std::u16string wanted = NormalizeKeyPath(keyPath);
    KeyValues values(key);
    bool found = false;
    bool inWanted = false;
    for (++line; line < lines.size(); ++line) {
        const std::u16string_view t = Trim(lines[line]);
        if (t.empty() || t[0] == u';') continue;
        if (t[0] == u'[') {
            const size_t close = t.rfind(u']');
            if (close == std::u16string_view::npos || close < 1) {
                inWanted = false;
                continue;
            }
            std::u16string_view name = t.substr(1, close - 1);
            if (!name.empty() && name[0] == u'-') {
                // A deleted key (and its subkeys) takes its earlier values with it.
                const std::u16string deleted = NormalizeKeyPath(name.substr(1));
                if (vk::text::EqualNoCase(deleted, wanted) ||
                    (wanted.size() > deleted.size() && wanted[deleted.size()] == u'\\' &&
                     vk::text::StartsWithNoCase(wanted, deleted))) {
                    found = false;
                    values.Clear();
                }
                inWanted = false;
                continue;
            }
            inWanted = vk::text::EqualNoCase(NormalizeKeyPath(name), wanted);
            if (inWanted) found = true;
            continue;
        }
        if (t[0] == u'"' || t[0] == u'@') ParseValueLine(t, lines, line, unicodeFormat, inWanted, values);
    }
    values.Finish();
    if (!found) {
        key = RegKey{};
        return false;
    }
    key.path = wanted;
    return true;
}

bool QueryString(const RegKey &key, std::u16string_view name, std::u16string &value, size_t limitBytes) {
    value.clear();
    for (const RegValue &v : key.values) {
        if (!vk::text::EqualNoCase(v.name, name)) continue;
        if (v.type != RegValue::Type::String && v.type != RegValue::Type::ExpandString &&
            v.type != RegValue::Type::MultiString)
            return false;
        if (v.byteSize > limitBytes) return false;
        value = v.text;
        return true;
    }
    return false;
}

} // namespace vk::registry
