#include "lib/services/profile.h"

#include "common/format.h"
#include "common/memory.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"
#include "vaultkeeplib.h"

namespace vk::lib {
namespace {

constexpr uint32_t kReadStep = 1024;

const ProfileAccess kProfile = {
    &vk::ini::GetString,
    &vk::ini::GetInt,
    &vk::ini::WriteString,
    &vk::ini::WriteSection,
};

} // namespace

const ProfileAccess &Profile() { return kProfile; }

uint32_t ProfileGetString(const char16_t *section, const char16_t *key, const char16_t *def, char16_t *buffer,
                          uint32_t size, const char16_t *file) {
    return kProfile.getString(section, key, def, buffer, size, file);
}

int32_t ProfileGetInt(const char16_t *section, const char16_t *key, int32_t def, const char16_t *file) {
    return kProfile.getInt(section, key, def, file);
}

bool ProfileWriteString(const char16_t *section, const char16_t *key, const char16_t *value, const char16_t *file) {
    return kProfile.writeString(section, key, value, file);
}

bool ProfileWriteSection(const char16_t *section, const char16_t *lines, const char16_t *file) {
    return kProfile.writeSection(section, lines, file);
}

char16_t *ReadProfileAlloc(const char16_t *section, const char16_t *key, const char16_t *file) {
    // A value is cut at size - 1 characters, a list at size - 2.
    const uint32_t margin = section && key ? 1 : 2;
    for (uint32_t capacity = kReadStep;; capacity += kReadStep) {
        char16_t *block = AllocChars(capacity);
        if (!block) return nullptr;
        const uint32_t copied = ProfileGetString(section, key, u"", block, capacity, file);
        if (copied != capacity - margin) return block;
        FreeBlock(block); // may have been cut: read again with more room
    }
}

bool DeleteIniSection(const char16_t *section, const char16_t *file) {
    return ProfileWriteString(section, nullptr, nullptr, file);
}

int CopyIniSection(const char16_t *section, const char16_t *keys, const char16_t *sourceFile,
                   const char16_t *destFile) {
    return CopyIniSectionAs(section, section, keys, sourceFile, destFile);
}

int CopyIniSectionAs(const char16_t *sourceSection, const char16_t *destSection, const char16_t *keys,
                     const char16_t *sourceFile, const char16_t *destFile) {
    DeleteIniSection(destSection, destFile);
    bool ok = true;
    for (const char16_t *name = keys; ok && name && *name; name = NextName(name)) {
        char16_t *value = ReadProfileAlloc(sourceSection, name, sourceFile);
        if (!value) continue;
        ok = ProfileWriteString(destSection, name, value, destFile);
        FreeBlock(value);
    }
    return ok ? StatusOk : StatusIniFail;
}

void AddNumberedEntry(const char16_t *section, const char16_t *value, const char16_t *file) {
    const std::u16string_view wanted = text::View(value);
    for (unsigned n = 1;; ++n) {
        char16_t key[16];
        FormatBounded(key, 16, u"%u", n);
        char16_t *current = ReadProfileAlloc(section, key, file);
        if (!current) return;
        const bool empty = current[0] == 0;
        const bool same = !empty && text::EqualNoCase(current, wanted);
        FreeBlock(current);
        if (empty) {
            ProfileWriteString(section, key, value, file);
            return;
        }
        if (same) return;
    }
}

const char16_t *NextName(const char16_t *name) { return name + text::Length(name) + 1; }

int CountNames(const char16_t *list) {
    int count = 0;
    for (const char16_t *n = list; n && *n; n = NextName(n)) ++count;
    return count;
}

} // namespace vk::lib
