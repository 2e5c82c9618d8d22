// The program's remembered folders, the last archive written, the critical
// backup limit and the paths of the two settings files.
#include "app/shell/settings.h"

#include <string>

#include "common/format.h"
#include "common/string_copy.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"
#include "vaultkeeplib.h"

namespace vk::app {
namespace {

constexpr const char16_t *kPropertiesBackup = u"Backup";
constexpr const char16_t *kPropertiesCritical = u"Critical Files";

// Appends the separator when the folder is not empty, lacks one, and there is
// room for it in a 256-character buffer (255 characters and the terminator).
void EndWithSeparator(char16_t *folder) {
    const size_t n = text::Length(folder);
    if (n == 0 || folder[n - 1] == fs::kSep || n + 1 >= kSettingsPathChars) return;
    folder[n] = fs::kSep;
    folder[n + 1] = u'\0';
}

// Reads a folder key of the host properties file: an empty value gives
// dirBackup (with a separator when sepOnDefault), any other value ends in a
// separator.
const char16_t *ReadFolder(const char16_t *key, size_t limit, const char16_t *propertiesPath,
                           const char16_t *dirBackup, bool sepOnDefault, char16_t *buffer) {
    buffer[0] = u'\0';
    ini::GetString(kPropertiesBackup, key, u"", buffer, static_cast<uint32_t>(limit), propertiesPath);
    if (buffer[0] == u'\0') {
        CopyBounded(buffer, kSettingsPathChars, dirBackup);
        if (sepOnDefault) EndWithSeparator(buffer);
    } else {
        EndWithSeparator(buffer);
    }
    return buffer;
}

} // namespace

RememberedFolders &ProgramFolders() {
    static RememberedFolders folders{};
    return folders;
}

const char16_t *DirBackupFolder() {
    const char16_t *dir = VKGetTalvernDir(DirBackup);
    return dir ? dir : u"";
}

const char16_t *ReadBackupTo(const char16_t *propertiesPath, const char16_t *dirBackup) {
    // At most 254 characters, so that the separator always fits.
    return ReadFolder(u"BackupTo", kSettingsPathChars - 1, propertiesPath, dirBackup, false,
                      ProgramFolders().backupTo);
}

const char16_t *ReadRestoreFrom(const char16_t *propertiesPath, const char16_t *dirBackup) {
    return ReadFolder(u"RestoreFrom", kSettingsPathChars, propertiesPath, dirBackup, false,
                      ProgramFolders().restoreFrom);
}

const char16_t *ReadBackupFrom(const char16_t *propertiesPath, const char16_t *dirBackup) {
    return ReadFolder(u"BackupFrom", kSettingsPathChars, propertiesPath, dirBackup, true,
                      ProgramFolders().backupFrom);
}

const char16_t *ReadCritBackupTo(const char16_t *propertiesPath, const char16_t *dirBackup) {
    RememberedFolders &folders = ProgramFolders();
    char16_t *buffer = folders.critBackupTo;
    buffer[0] = u'\0';
    ini::GetString(kPropertiesCritical, u"CritBackupTo", u"", buffer, static_cast<uint32_t>(kSettingsPathChars),
                   propertiesPath);
    if (buffer[0] == u'\0') CopyBounded(buffer, kSettingsPathChars, folders.backupTo);
    if (buffer[0] == u'\0') {
        CopyBounded(buffer, kSettingsPathChars, dirBackup);
        return buffer;
    }
    EndWithSeparator(buffer);
    return buffer;
}

void ReadRememberedFolders(const char16_t *propertiesPath, const char16_t *dirBackup) {
    ReadBackupFrom(propertiesPath, dirBackup);
    ReadBackupTo(propertiesPath, dirBackup);
    ReadRestoreFrom(propertiesPath, dirBackup);
}

int ReadMaxCritBackups(const char16_t *propertiesPath) {
    return ini::GetInt(kPropertiesCritical, u"MaxCritBackups", kDefaultMaxCritBackups, propertiesPath);
}

bool WriteConfigTo(const char16_t *propertiesPath, const char16_t *archivePath) {
    return ini::WriteString(kPropertiesBackup, u"ConfigTo", archivePath ? archivePath : u"", propertiesPath);
}

size_t ReadCriticalFileEntry(const char16_t *settingsPath, int n, char16_t *buffer, size_t size) {
    if (!buffer || size == 0) return 0;
    char16_t key[24];
    FormatBounded(key, 24, u"Config%d", n);
    const size_t room = size < kSettingsItemChars ? size : kSettingsItemChars;
    return ini::GetString(kPropertiesCritical, key, u"", buffer, static_cast<uint32_t>(room), settingsPath);
}

void MakeSettingsPath(const char16_t *startFolder, char16_t *out, size_t size) {
    std::u16string path(text::View(startFolder));
    if (path.empty() || path.back() != fs::kSep) path += fs::kSep;
    path += u"vaultkeep.ini";
    CopyBounded(out, size, path);
}

void MakeHostPropertiesPath(const char16_t *configFolder, char16_t *out, size_t size) {
    FormatBounded(out, size, u"%s%s", configFolder ? configFolder : u"", u"WProperties.ini");
}

} // namespace vk::app
