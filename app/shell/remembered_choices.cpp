#include "app/shell/remembered_choices.h"

#include "app/shell/settings.h"
#include "app/tree/tree_items.h"
#include "common/string_copy.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"

namespace vk::app {
namespace {

constexpr char16_t kBackupSection[] = u"Backup";
constexpr char16_t kSelectionSection[] = u"BackupSelection";

std::u16string WithSeparator(std::u16string folder) {
    if (!folder.empty() && folder.back() != fs::kSep) folder += fs::kSep;
    return folder;
}

} // namespace

bool RememberRestoreFrom(const char16_t *propertiesPath, std::u16string_view folder) {
    const std::u16string value = WithSeparator(std::u16string(folder));
    CopyBounded(ProgramFolders().restoreFrom, kSettingsPathChars, value);
    return ini::WriteString(kBackupSection, u"RestoreFrom", value.c_str(), propertiesPath);
}

std::u16string StartingBackupFolder(const char16_t *propertiesPath, std::u16string_view backupTo) {
    const std::u16string configTo = ini::ReadString(kBackupSection, u"ConfigTo", u"", text::View(propertiesPath));
    const std::u16string folder = fs::ParentFolder(configTo);
    if (!folder.empty() && fs::IsDirectory(folder)) return folder;
    return WithSeparator(std::u16string(backupTo));
}

bool SaveBackupSelection(const char16_t *settingsPath, const std::vector<std::u16string> &files) {
    // One section write: the old list goes as a whole.
    std::u16string lines;
    for (size_t i = 0; i < files.size(); ++i) {
        lines += text::U16(std::to_string(i + 1)) + u"=" + files[i];
        lines += u'\0';
    }
    lines += u'\0';
    return ini::WriteSection(kSelectionSection, lines.c_str(), settingsPath);
}

std::vector<std::u16string> ReadBackupSelection(const char16_t *settingsPath) {
    std::vector<std::u16string> files;
    for (size_t n = 1;; ++n) {
        std::u16string value =
            ini::ReadString(kSelectionSection, text::U16(std::to_string(n)), u"", text::View(settingsPath));
        if (value.empty()) break;
        files.push_back(std::move(value));
    }
    return files;
}

bool ApplyBackupSelection(VKHWND tree, const std::vector<std::u16string> &files) {
    std::vector<VKTreeItem *> items;
    for (const std::u16string &file : files)
        if (VKTreeItem *item = SelectItemByPath(tree, file); item && !ui::TreeGetNext(tree, item, ui::TreeNext::Child))
            items.push_back(item);
    if (items.empty()) return false;
    ClearSelections(tree);
    for (VKTreeItem *item : items) {
        SetCheck(tree, item, kChecked);
        MarkAncestors(tree, item, true);
    }
    ExpandToLeafParents(tree, ui::TreeGetNext(tree, nullptr, ui::TreeNext::Root));
    return true;
}

} // namespace vk::app
