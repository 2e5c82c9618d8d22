// Version numbers of files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vk::version {

// The version of a file as 64 bits of four 16-bit parts, the major part on
// top: the "TalvernFileVersion" key of section "TalvernFileInfo" when the
// file, read as an ini file, has one; else the fixed file version of its
// Windows version resource. 0 (unversioned) when neither gives a text.
// keepCached false: a settings file read for its record does not stay in the
// ini cache (a restore reads many files of many megabytes this way).
uint64_t ReadFileVersion(std::u16string_view path, bool keepCached = true);

// The version number of a text: "," and "_" count as "."; the first four
// "."-separated fields are read as integers (missing fields are 0).
uint64_t ParseVersionText(std::u16string_view text);

// The fixed file version of the Windows version resource of a PE file, as
// "%d.%d.%d.%d"; false when the file has none (or is no PE file).
bool ReadPeVersionText(std::u16string_view path, std::u16string &text);
// The same over bytes in memory (tests).
bool PeVersionTextFromBytes(std::string_view bytes, std::u16string &text);

} // namespace vk::version
