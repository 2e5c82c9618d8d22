// A parsed ini file: its lines as read, grouped into sections, with indexes
// for the lookups, and the edits that change single lines.
//
// Reading follows the Windows private-profile reader: a line is trimmed of
// blanks; "[name]" (up to the last "]") opens a section, whose name is
// trimmed; any other non-blank line is an entry, "name=value" or a bare name
// without a value (a comment line is such an entry whose name starts with
// ';'). Names and values end at the first NUL. The lines before the first
// section header form the section with the empty name. Lookups ignore letter
// case and take the first match: the first section of a name, and in it the
// first entry of a name, even when that entry has no value.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/ini/ini_encoding.h"

namespace vk::ini::detail {

struct Line {
    enum class Kind : uint8_t { Blank, Header, Entry };
    std::string raw; // the line's bytes in the file's encoding, without its end
    Eol eol = Eol::None;
    Kind kind = Kind::Blank;
    bool hasValue = false; // entry with "="
    std::u16string name;   // section name (header) or key name (entry)
    std::u16string value;  // entry with "=": the value, trimmed, quotes kept
};

struct Section {
    bool hasHeader = false; // false only for the lines before the first header
    Line header;
    std::vector<Line> body;
    std::unordered_map<std::u16string, size_t> keys; // folded key name -> first entry in body
};

struct Document {
    Encoding encoding = Encoding::Ansi;
    // A UTF-16 file's odd last byte: no character, kept after everything else
    // so that it never shifts the units of lines written before it.
    std::string strayByte;
    Eol newLineEnd = Eol::CrLf; // for added lines: the file's most common line end
    std::vector<Section> sections; // [0]: the lines before the first header (always present)
    std::unordered_map<std::u16string, size_t> index; // folded section name -> first section
};

Document Parse(std::string_view bytes);
// The file's bytes. A single-byte file whose bytes would read back as UTF-8 is
// turned into UTF-16 first, so that what is written reads back unchanged.
std::string Serialize(Document &doc);

std::u16string_view TrimBlanks(std::u16string_view s);
std::u16string Fold(std::u16string_view s);

// Lookups; names are trimmed by the caller.
const Section *FindSection(const Document &doc, std::u16string_view name);
const Line *FindEntry(const Section &section, std::u16string_view key);

// Edits. Each returns false (changing nothing) when the text cannot be written
// as asked: a line end in it, or a line that would not read back as the entry
// or section header it is meant to be. `changed` tells whether the document
// changed (a write of the value already there changes nothing).
bool SetValue(Document &doc, std::u16string_view section, std::u16string_view key, std::u16string_view value,
              bool &changed);
void DeleteKey(Document &doc, std::u16string_view section, std::u16string_view key, bool &changed);
void DeleteSection(Document &doc, std::u16string_view section, bool &changed);
// Replaces the section's entries with the given "key=value" lines (lines
// without "=" are left out); creates the section when lines are given.
bool ReplaceSection(Document &doc, std::u16string_view section, const std::vector<std::u16string_view> &lines,
                    bool &changed);

// One write as the caller made it, kept so that it can be made again on the
// file as another process left it.
struct Edit {
    enum class Kind : uint8_t { SetValue, DeleteKey, DeleteSection, ReplaceSection };
    Kind kind = Kind::SetValue;
    std::u16string section;
    std::u16string key;
    std::u16string value;
    std::vector<std::u16string> lines; // ReplaceSection: "key=value" lines
};
// Makes the edit on the document (see the edits above).
bool Apply(Document &doc, const Edit &edit, bool &changed);

} // namespace vk::ini::detail
