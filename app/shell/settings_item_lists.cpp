// The item lists of the program's settings file, which steer the default
// choice of files on the backup page.
#include <string>

#include "app/shell/settings.h"
#include "common/file_helpers.h"
#include "common/format.h"
#include "common/memory.h"
#include "platform/ini/ini.h"

namespace vk::app {
namespace {

// The host's scratch, lock and generated files, the program's own settings
// file (4th) and configuration archives (18th). Used only when there is no
// settings file.
const char16_t *kBuiltInSkip[kBuiltInSkipCount + 1] = {
    u"*.log",       u"*.tmp",        u"~*",          u"vaultkeep.ini", u"*.lck",       u"*.bak",
    u"*.old",       u"*.sav",        u"*.$$$",       u"*.dmp",         u"*.spl",       u"Backup.why",
    u"backup.me",   u"*.wcf",        u"*.wsv",       u"lastrun.ini",   u"session.ini", u"*.vkb",
    nullptr,
};

// Reads key n of the section; returns the length of its value.
size_t ReadNumberedKey(const char16_t *section, int n, const char16_t *settingsPath, char16_t *value) {
    char16_t key[16];
    FormatBounded(key, 16, u"%d", n);
    return ini::GetString(section, key, u"", value, static_cast<uint32_t>(kSettingsItemChars), settingsPath);
}

void ReleaseList(ItemList &list) {
    if (list.items) {
        for (int i = 0; i < list.count; ++i) FreeBlock(const_cast<char16_t *>(list.items[i]));
        FreeBlock(static_cast<void *>(list.items));
    }
    list = ItemList{};
}

} // namespace

ItemLists &ProgramItemLists() {
    static ItemLists lists;
    return lists;
}

const char16_t *const *BuiltInSkipList() { return kBuiltInSkip; }

void ReadItemList(const char16_t *section, const char16_t *settingsPath, ItemList &list) {
    list = ItemList{};
    std::u16string value(kSettingsItemChars, u'\0');

    // Count the keys up to the first missing or empty one.
    int n = 0;
    while (ReadNumberedKey(section, n + 1, settingsPath, value.data()) > 0) ++n;
    if (n == 0) return;

    auto **items = static_cast<const char16_t **>(AllocZeroed((static_cast<size_t>(n) + 1) * sizeof(char16_t *)));
    if (!items) return;
    list.items = items;

    // Read them again. The file may have changed in between: the list holds
    // only the values actually stored, so every counted slot is a string.
    for (int i = 0; i < n; ++i) {
        if (ReadNumberedKey(section, i + 1, settingsPath, value.data()) == 0) break;
        char16_t *copy = DupString(value.c_str());
        if (!copy) {
            // The allocation warning has been shown; the list stays empty.
            ReleaseList(list);
            return;
        }
        items[i] = copy;
        list.count = i + 1;
    }
}

void ReadItemLists(ItemLists &lists, const char16_t *settingsPath) {
    FreeItemLists(lists);
    lists = ItemLists{};

    if (!FileExists(settingsPath)) {
        lists.skip.items = kBuiltInSkip;
        lists.skip.count = kBuiltInSkipCount;
        return;
    }
    lists.fromFile = true;
    ReadItemList(u"ConfigAddFiles", settingsPath, lists.add);
    ReadItemList(u"ConfigSkipFiles", settingsPath, lists.skip);
    ReadItemList(u"ConfigRestoreSkipFiles", settingsPath, lists.restoreSkip);
}

void FreeItemLists(ItemLists &lists) {
    if (!lists.fromFile) return;
    ReleaseList(lists.add);
    ReleaseList(lists.skip);
    ReleaseList(lists.restoreSkip);
    lists.fromFile = false;
}

} // namespace vk::app
