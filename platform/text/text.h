// Text conversion and comparison for UTF-16 text.
//
// All text inside the system is UTF-16 (char16_t). The operating system on
// Linux speaks UTF-8; ini files may be UTF-16, UTF-8 or Windows-1252. This
// module converts between them and provides the case-insensitive comparison
// that ini names, file names and extensions use.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vk::text {

// Length of a NUL-terminated UTF-16 string; null counts as empty.
size_t Length(const char16_t *s);
// View of a NUL-terminated UTF-16 string; null gives an empty view.
std::u16string_view View(const char16_t *s);

// UTF-16 -> UTF-8. Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::u16string_view s);
// UTF-8 -> UTF-16. Invalid sequences become U+FFFD per bad byte.
std::u16string FromUtf8(std::string_view s);
bool IsValidUtf8(std::string_view s);

// Windows-1252 <-> UTF-16. Undefined 1252 bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// map to the C1 controls of the same value, so every byte round-trips.
std::u16string FromCp1252(std::string_view s);
// Returns false when a character has no single-byte form; `out` then holds '?'
// in its place.
bool ToCp1252(std::u16string_view s, std::string &out);
bool FitsCp1252(std::u16string_view s);

// Case folding used for names: simple one-to-one lower-casing of Latin,
// Greek and Cyrillic letters (what the Windows ini and file APIs treat as
// equal ignoring case for these scripts).
char16_t FoldCase(char16_t c);
int CompareNoCase(std::u16string_view a, std::u16string_view b);
bool EqualNoCase(std::u16string_view a, std::u16string_view b);
bool StartsWithNoCase(std::u16string_view s, std::u16string_view prefix);
bool EndsWithNoCase(std::u16string_view s, std::u16string_view suffix);
std::u16string Lower(std::u16string_view s);

// Convenience for literals in code: u"..." is already UTF-16; this converts
// an ASCII/UTF-8 narrow string.
inline std::u16string U16(std::string_view s) { return FromUtf8(s); }

// Native path of the operating system for a UTF-16 path.
inline std::string NativePath(std::u16string_view p) { return ToUtf8(p); }
inline std::string NativePath(const char16_t *p) { return ToUtf8(View(p)); }

} // namespace vk::text
