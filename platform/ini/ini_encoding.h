// Byte-level side of ini files: encoding detection, line splitting, and
// conversion between a line's bytes and its UTF-16 text.
//
// Lines keep their original bytes so that a write reproduces every line it
// does not change byte for byte, whatever the file holds (invalid UTF-8, NUL
// bytes, odd line ends).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vk::ini::detail {

enum class Encoding : uint8_t {
    Ansi,    // Windows-1252, no byte-order mark (also every pure ASCII file)
    Utf8,    // UTF-8 without byte-order mark
    Utf8Bom, // UTF-8 with byte-order mark
    Utf16Le, // UTF-16 little endian with byte-order mark
    Utf16Be, // UTF-16 big endian with byte-order mark
};

enum class Eol : uint8_t { None, CrLf, Lf, Cr };

// Byte-order mark present: that encoding. Otherwise UTF-8 when the bytes are
// valid UTF-8 with at least one non-ASCII character, else Windows-1252.
// `bomSize` receives the number of mark bytes before the text.
Encoding Detect(std::string_view bytes, size_t &bomSize);
std::string_view ByteOrderMark(Encoding e);

struct RawLine {
    std::string_view bytes; // the line without its end
    Eol eol = Eol::None;
};
// Splits the text (after the byte-order mark) at CR LF, LF and lone CR, the
// line ends a Windows reader accepts. A UTF-16 file's odd last byte stays in
// the last line.
std::vector<RawLine> SplitLines(std::string_view text, Encoding e);

std::u16string Decode(std::string_view bytes, Encoding e);
// Appends the encoded text; false when a character has no form in `e` (only
// possible for Windows-1252, where '?' stands in its place).
bool Encode(std::u16string_view text, Encoding e, std::string &out);
void AppendEol(Eol eol, Encoding e, std::string &out);
bool Fits(std::u16string_view text, Encoding e);

// Offset of the first byte after "=" and the blanks that follow it in a line's
// bytes; npos when the line holds no "=".
size_t ValueOffset(std::string_view bytes, Encoding e);
// Length of the line's bytes without trailing blanks.
size_t TrimmedEnd(std::string_view bytes, Encoding e);

// The blanks a Windows reader trims around names and values.
inline bool IsBlank(char16_t c) { return c == u' ' || (c >= 0x09 && c <= 0x0D) || c == 0x1A; }

} // namespace vk::ini::detail
