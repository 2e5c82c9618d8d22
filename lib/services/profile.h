// The profile layer: every ini read and write of the library passes through
// the profile access table, bound to the ini engine.
//
// A NameList is a block of NUL-terminated names back to back, closed by one
// more NUL (an empty list is a single NUL): the result of every read of all
// section names (section null) or all key names of a section (key null).
#pragma once

#include <cstdint>

namespace vk::lib {

// The four entry points. Section and key names compare without regard to case.
struct ProfileAccess {
    // section null: NameList of sections; key null: NameList of keys;
    // otherwise the value or the default. Returns the characters copied; a
    // buffer that is too small gives size - 1 for a value, size - 2 for a list.
    uint32_t (*getString)(const char16_t *section, const char16_t *key, const char16_t *def, char16_t *buffer,
                          uint32_t size, const char16_t *file);
    // The value as a decimal integer, the default when missing.
    int32_t (*getInt)(const char16_t *section, const char16_t *key, int32_t def, const char16_t *file);
    // key null: delete the section; value null: delete the key; otherwise set
    // the value, creating file and section as needed. True on success.
    bool (*writeString)(const char16_t *section, const char16_t *key, const char16_t *value, const char16_t *file);
    // Replaces the section's content with the key=value lines of a NameList.
    bool (*writeSection)(const char16_t *section, const char16_t *lines, const char16_t *file);
};

// The table in use; bound once to the ini engine and never rebound.
const ProfileAccess &Profile();

uint32_t ProfileGetString(const char16_t *section, const char16_t *key, const char16_t *def, char16_t *buffer,
                          uint32_t size, const char16_t *file);
int32_t ProfileGetInt(const char16_t *section, const char16_t *key, int32_t def, const char16_t *file);
bool ProfileWriteString(const char16_t *section, const char16_t *key, const char16_t *value, const char16_t *file);
bool ProfileWriteSection(const char16_t *section, const char16_t *lines, const char16_t *file);

// Reads a value (section and key given) or a NameList (section null: all
// sections; key null: all keys of the section) into a new block, growing the
// buffer in steps of 1,024 characters until the text is whole. The caller frees
// the block with FreeBlock. Null when an allocation failed.
char16_t *ReadProfileAlloc(const char16_t *section, const char16_t *key, const char16_t *file);

// Deletes a whole section; the write's result.
bool DeleteIniSection(const char16_t *section, const char16_t *file);

// Empties `section` of destFile and copies into it, key by key, the values of
// the keys named by the NameList `keys` (null copies nothing) from the same
// section of sourceFile. A missing key is written as an empty value. The first
// failing write ends the copy. StatusOk or StatusIniFail.
int CopyIniSection(const char16_t *section, const char16_t *keys, const char16_t *sourceFile,
                   const char16_t *destFile);
// The same between two differently named sections.
int CopyIniSectionAs(const char16_t *sourceSection, const char16_t *destSection, const char16_t *keys,
                     const char16_t *sourceFile, const char16_t *destFile);

// Numbered list "1", "2", ...: writes `value` under the first key whose value
// is empty, unless a key before it already holds the value (without regard
// to case). Write failures are not reported.
void AddNumberedEntry(const char16_t *section, const char16_t *value, const char16_t *file);

// NameList walking: the first name, then each next one, until an empty name.
//   for (const char16_t *n = list; n && *n; n = NextName(n)) ...
const char16_t *NextName(const char16_t *name);
// Number of names in a list (0 for null or empty).
int CountNames(const char16_t *list);

} // namespace vk::lib
