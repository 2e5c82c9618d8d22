// The program's settings.
//
// Two ini files hold them, both read directly through the ini engine:
// - the program's own settings file vaultkeep.ini in the folder the program
//   was started from: the item lists that steer the default choice of files
//   ([ConfigAddFiles], [ConfigSkipFiles], [ConfigRestoreSkipFiles]) and the
//   critical-file list ([Critical Files] Config1, Config2, ...);
// - the host's properties file WProperties.ini in the configuration folder:
//   the remembered folders of [Backup] and [Critical Files], and the last
//   archive a configuration backup wrote ([Backup] ConfigTo).
//
// Folders carry the native separator at their end, so that a folder and a
// file name are joined by plain concatenation. The folder readers take the
// installation's backup folder (VKGetTalvernDir(DirBackup)) as a parameter;
// DirBackupFolder() supplies it for the program.
#pragma once

#include <cstddef>

namespace vk::app {

inline constexpr size_t kSettingsPathChars = 256; // paths: 255 and the terminator
inline constexpr size_t kSettingsItemChars = 2550; // list values: 2,549 and the terminator
inline constexpr int kBuiltInSkipCount = 18;
inline constexpr int kDefaultMaxCritBackups = 50;

// ---- Item lists ----------------------------------------------------------

// One list: `count` strings in `items`, followed by a null slot.
// An empty list has count 0 and may have no array at all.
struct ItemList {
    const char16_t **items = nullptr;
    int count = 0;
};

struct ItemLists {
    ItemList add;         // names the default choice always takes
    ItemList skip;        // patterns it never takes
    ItemList restoreSkip; // patterns for restores; read and freed only
    // Set when the lists were read from the settings file; only then do they
    // own their strings and arrays.
    bool fromFile = false;
};

// The program's lists, held for the whole run.
ItemLists &ProgramItemLists();

// The skip patterns used when there is no settings file, in their order.
const char16_t *const *BuiltInSkipList();

// Reads the numbered list "1", "2", ... of `section` (values of at most 2,549
// characters) up to the first missing or empty key. A missing section, or a
// failed allocation (after the allocation warning), gives an empty list.
// `list` is overwritten, not freed.
void ReadItemList(const char16_t *section, const char16_t *settingsPath, ItemList &list);

// Reads the three lists from the settings file. When the file does not exist
// the add and restore-skip lists are empty and the skip list is the built-in
// one; otherwise each list comes from its section (a missing section is an
// empty list, and the built-in patterns are not used). Lists read earlier
// are freed first.
void ReadItemLists(ItemLists &lists, const char16_t *settingsPath);

// Frees lists read from the settings file and leaves them empty; the
// built-in list is left as it is.
void FreeItemLists(ItemLists &lists);

// ---- Critical-file list --------------------------------------------------

// Reads [Critical Files] "Config<n>" of the settings file into `buffer`
// (`size` characters, at most 2,550 used). Returns the length; 0 ends the list.
size_t ReadCriticalFileEntry(const char16_t *settingsPath, int n, char16_t *buffer, size_t size);

// ---- Remembered folders --------------------------------------------------

// Process-wide buffers of 256 characters. restoreFrom is also the restore
// archive path of the restore run, which a command-line restore overwrites.
struct RememberedFolders {
    char16_t backupTo[kSettingsPathChars];
    char16_t backupFrom[kSettingsPathChars];
    char16_t restoreFrom[kSettingsPathChars];
    char16_t critBackupTo[kSettingsPathChars];
};
RememberedFolders &ProgramFolders();

// The installation's backup folder, "" when the library has none.
const char16_t *DirBackupFolder();

// [Backup] BackupTo (at most 254 characters) and RestoreFrom: an empty value
// gives `dirBackup` exactly; any other value gets a trailing separator when
// it lacks one and there is room. Each returns its buffer.
const char16_t *ReadBackupTo(const char16_t *propertiesPath, const char16_t *dirBackup);
const char16_t *ReadRestoreFrom(const char16_t *propertiesPath, const char16_t *dirBackup);
// [Backup] BackupFrom: as above, but `dirBackup` taken as the default gets a
// trailing separator too (when it is not empty).
const char16_t *ReadBackupFrom(const char16_t *propertiesPath, const char16_t *dirBackup);
// [Critical Files] CritBackupTo: when empty, the current BackupTo buffer;
// when that is empty too, `dirBackup` exactly. A value taken from the key or
// from BackupTo gets a trailing separator when it lacks one.
const char16_t *ReadCritBackupTo(const char16_t *propertiesPath, const char16_t *dirBackup);
// Start-up order: BackupFrom, BackupTo, RestoreFrom.
void ReadRememberedFolders(const char16_t *propertiesPath, const char16_t *dirBackup);

// [Critical Files] MaxCritBackups, 50 when missing.
int ReadMaxCritBackups(const char16_t *propertiesPath);

// [Backup] ConfigTo = archivePath. False when the file cannot be written.
bool WriteConfigTo(const char16_t *propertiesPath, const char16_t *archivePath);

// ---- Settings file paths -------------------------------------------------

// startFolder + separator (when it lacks one) + "vaultkeep.ini", bounded to
// 256 characters.
void MakeSettingsPath(const char16_t *startFolder, char16_t *out, size_t size);
// configFolder + "WProperties.ini" (the folder carries its separator).
void MakeHostPropertiesPath(const char16_t *configFolder, char16_t *out, size_t size);

} // namespace vk::app
