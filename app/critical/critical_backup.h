// The critical backup run ("key" on the command line).
//
// A few critical configuration files, listed in [Critical Files] Config1,
// Config2, ... of the program's settings file, are copied into a new numbered
// folder <root>KEY00001, <root>KEY00002, ... under the backup root, but only
// when at least one of them differs from its copy in the most recent folder.
// The number of folders stays bounded by deleting the oldest one. Each folder
// holds the copies in its subfolder "Config" and a note "backup.me" that says
// why and from where the backup was made.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "vaultkeeplib.h"

namespace vk::app {

inline constexpr size_t kReasonChars = 2550; // the reason text: 2,549 and the terminator
inline constexpr const char16_t *kCriticalPrefix = u"KEY";
inline constexpr const char16_t *kCriticalSubfolder = u"Config";
inline constexpr const char16_t *kBackupNoteName = u"backup.me";
inline constexpr unsigned kMaxFolderNumber = 1048574;

// What the run needs from the program's process state; the program owns it.
struct CriticalContext {
    VKHMODULE module = nullptr;              // the program's string table
    VKHWND mainWindow = nullptr;             // owner of the failure warning
    const char16_t *settingsPath = nullptr;  // vaultkeep.ini: the critical-file list
    const char16_t *propertiesPath = nullptr; // WProperties.ini: CritBackupTo, MaxCritBackups
    const char16_t *configDir = nullptr;     // DirConfig, with its separator
    const char16_t *dirBackup = nullptr;     // DirBackup: the root when no setting names one
    const char16_t *backupFrom = nullptr;    // [Backup] BackupFrom as read at start-up
    char16_t *reason = nullptr;              // the process-wide reason text (kReasonChars);
                                             // set to "No previous backup existed" when
                                             // empty and there was no earlier backup
    void (*pump)() = nullptr;                // lets pending window messages through
};

enum class CriticalOutcome {
    NoChange,     // nothing configured, nothing found, or nothing changed
    BackedUp,     // a new folder was made
    FolderFailed, // the new folder could not be made (the user was told)
};

struct CriticalResult {
    CriticalOutcome outcome = CriticalOutcome::NoChange;
    std::u16string folder; // the new folder (BackedUp); the backup root (FolderFailed)
    int copied = 0;        // files copied into it
    std::u16string pruned; // the folder deleted to keep the limit, "" when none
};

// The whole run: reads the backup root, builds the copy list, and when it is
// not empty makes the next numbered folder, copies the files into it and
// writes its note.
CriticalResult RunCriticalBackup(CriticalContext &context);

// ---- Steps (for the run and its tests) ------------------------------------

// True for a folder name this run makes: "KEY" and five or more upper-case
// hexadecimal digits. Only such folders are scanned and pruned.
bool IsCriticalFolderName(std::u16string_view name);

struct CriticalScan {
    std::u16string newest; // root + name of the most recent folder, "" when none
    std::u16string pruned; // name of the folder deleted, "" when none
    int count = 0;         // critical folders found (before pruning)
};
// Scans the root for critical folders: the one with the latest last-write time
// is the most recent. When there are more than `limit`, the one with the
// earliest last-write time (never the most recent) is deleted with everything
// in it. A missing root is created (one level). When there is no earlier
// folder and the reason text is empty, it becomes "No previous backup existed".
CriticalScan FindCriticalFolders(CriticalContext &context, const std::u16string &root, int limit);

struct CopyEntry {
    std::u16string name;      // the file name as found
    std::u16string sourceDir; // the folder it is copied from (DirConfig)
    std::u16string subfolder; // the subfolder of the backup folder ("Config")
};
// The change detection. Empty when nothing changed since the most recent
// folder; otherwise every critical file that exists, in list order (for each
// entry only the first file its pattern matches).
std::vector<CopyEntry> BuildCriticalCopyList(CriticalContext &context, const std::u16string &root, int limit,
                                             CriticalScan *scan = nullptr);

// Creates root + prefix + number ("%s%s%05X") with the lowest free number
// (1 to 1,048,574). On a failed creation the platform's error text is shown
// with the path as caption. False when no folder was made.
bool CreateNumberedFolder(const std::u16string &root, std::u16string_view prefix, std::u16string &path);

// Compares the current file with its copy as text (CR LF equal to LF, letter
// case ignored, NUL characters compared like any other). With ignore prefixes
// (a ";"-separated list; empty entries are ignored) files are compared line by
// line and a pair is skipped when the current file's line begins with one of
// the prefixes. True when equal; false when different or either file cannot
// be read.
bool CompareFiles(std::u16string_view current, std::u16string_view copy, const char16_t *ignorePrefixes);

// Writes "<folder>/backup.me": the reason, "[Options]", "Talvern=1" and
// "RestoreTo=<backupFrom>", single-byte with CR LF. Nothing when it cannot
// be created.
void WriteBackupNote(const CriticalContext &context, const std::u16string &folder);

// Shows the platform's text for the last error with `caption`. With `ask`,
// adds "Do you want to continue?" with Yes and No (no owner) and returns true
// for Yes; otherwise shows it with OK and returns true.
bool ShowSystemError(VKHMODULE module, std::u16string_view caption, bool ask);

} // namespace vk::app
