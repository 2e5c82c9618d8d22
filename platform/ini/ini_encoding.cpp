#include "platform/ini/ini_encoding.h"

#include "platform/text/text.h"

namespace vk::ini::detail {

namespace {

constexpr std::string_view kBomUtf8("\xEF\xBB\xBF", 3);
constexpr std::string_view kBomUtf16Le("\xFF\xFE", 2);
constexpr std::string_view kBomUtf16Be("\xFE\xFF", 2);

bool IsWide(Encoding e) { return e == Encoding::Utf16Le || e == Encoding::Utf16Be; }

char16_t UnitAt(std::string_view b, size_t i, Encoding e) {
    const auto lo = static_cast<unsigned char>(b[e == Encoding::Utf16Le ? i : i + 1]);
    const auto hi = static_cast<unsigned char>(b[e == Encoding::Utf16Le ? i + 1 : i]);
    return static_cast<char16_t>(lo | (hi << 8));
}

void AppendUnit(char16_t c, Encoding e, std::string &out) {
    const char lo = static_cast<char>(c & 0xFF);
    const char hi = static_cast<char>(c >> 8);
    if (e == Encoding::Utf16Le) {
        out.push_back(lo);
        out.push_back(hi);
    } else {
        out.push_back(hi);
        out.push_back(lo);
    }
}

bool IsBlankUnit(char16_t c) { return IsBlank(c); }

} // namespace

Encoding Detect(std::string_view bytes, size_t &bomSize) {
    bomSize = 0;
    if (bytes.substr(0, 3) == kBomUtf8) {
        bomSize = 3;
        return Encoding::Utf8Bom;
    }
    if (bytes.substr(0, 2) == kBomUtf16Le) {
        bomSize = 2;
        return Encoding::Utf16Le;
    }
    if (bytes.substr(0, 2) == kBomUtf16Be) {
        bomSize = 2;
        return Encoding::Utf16Be;
    }
    bool ascii = true;
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (!ascii && vk::text::IsValidUtf8(bytes)) return Encoding::Utf8;
    return Encoding::Ansi;
}

std::string_view ByteOrderMark(Encoding e) {
    switch (e) {
    case Encoding::Utf8Bom: return kBomUtf8;
    case Encoding::Utf16Le: return kBomUtf16Le;
    case Encoding::Utf16Be: return kBomUtf16Be;
    default: return {};
    }
}

std::vector<RawLine> SplitLines(std::string_view text, Encoding e) {
    std::vector<RawLine> lines;
    const size_t unit = IsWide(e) ? 2 : 1;
    const size_t whole = text.size() - text.size() % unit; // a UTF-16 file's odd byte is no unit
    auto at = [&](size_t i) -> char16_t {
        return unit == 2 ? UnitAt(text, i, e) : static_cast<char16_t>(static_cast<unsigned char>(text[i]));
    };
    size_t start = 0;
    size_t i = 0;
    while (i < whole) {
        const char16_t c = at(i);
        if (c != u'\n' && c != u'\r') {
            i += unit;
            continue;
        }
        RawLine line;
        line.bytes = text.substr(start, i - start);
        if (c == u'\r' && i + unit < whole && at(i + unit) == u'\n') {
            line.eol = Eol::CrLf;
            i += 2 * unit;
        } else {
            line.eol = c == u'\n' ? Eol::Lf : Eol::Cr;
            i += unit;
        }
        lines.push_back(line);
        start = i;
    }
    if (start < text.size()) lines.push_back(RawLine{text.substr(start), Eol::None});
    return lines;
}

std::u16string Decode(std::string_view bytes, Encoding e) {
    switch (e) {
    case Encoding::Ansi: return vk::text::FromCp1252(bytes);
    case Encoding::Utf8:
    case Encoding::Utf8Bom: return vk::text::FromUtf8(bytes);
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: {
        std::u16string out;
        out.reserve(bytes.size() / 2);
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) out.push_back(UnitAt(bytes, i, e));
        return out;
    }
    }
    return {};
}

bool Encode(std::u16string_view text, Encoding e, std::string &out) {
    switch (e) {
    case Encoding::Ansi: {
        std::string bytes;
        const bool ok = vk::text::ToCp1252(text, bytes);
        out += bytes;
        return ok;
    }
    case Encoding::Utf8:
    case Encoding::Utf8Bom: out += vk::text::ToUtf8(text); return true;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
        for (const char16_t c : text) AppendUnit(c, e, out);
        return true;
    }
    return false;
}

void AppendEol(Eol eol, Encoding e, std::string &out) {
    switch (eol) {
    case Eol::None: return;
    case Eol::CrLf: Encode(u"\r\n", e, out); return;
    case Eol::Lf: Encode(u"\n", e, out); return;
    case Eol::Cr: Encode(u"\r", e, out); return;
    }
}

bool Fits(std::u16string_view text, Encoding e) { return e != Encoding::Ansi || vk::text::FitsCp1252(text); }

size_t ValueOffset(std::string_view bytes, Encoding e) {
    const size_t unit = IsWide(e) ? 2 : 1;
    auto at = [&](size_t i) -> char16_t {
        return unit == 2 ? UnitAt(bytes, i, e) : static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
    };
    size_t i = 0;
    while (i + unit <= bytes.size() && at(i) != u'=') i += unit;
    if (i + unit > bytes.size()) return std::string_view::npos;
    i += unit;
    while (i + unit <= bytes.size() && IsBlankUnit(at(i))) i += unit;
    return i;
}

size_t TrimmedEnd(std::string_view bytes, Encoding e) {
    const size_t unit = IsWide(e) ? 2 : 1;
    size_t end = bytes.size() - bytes.size() % unit;
    auto at = [&](size_t i) -> char16_t {
        return unit == 2 ? UnitAt(bytes, i, e) : static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
    };
    while (end >= unit && IsBlankUnit(at(end - unit))) end -= unit;
    return end;
}

} // namespace vk::ini::detail
