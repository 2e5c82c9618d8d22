// The job record behind a BackupJob handle, shared by backups and restores,
// and the small operations on it that every item handler uses.
//
// Paths in the record are native and kept whole (never cut to a fixed buffer:
// a cut path names another file). Folders end with the native separator.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "arczip32/arczip32.h"
#include "platform/ini/ini.h"
#include "vaultkeeplib.h"

// Decides, for a restore, whether an item is restored normally (0) or what
// its result is instead. Text arguments as for the item call; for file items
// text1 is the source path and text2 the destination path.
using TranslateHook = int (*)(BackupJob *job, int32_t type, uint32_t itemFlags, uint32_t itemExtraFlags,
                              const char16_t *text1, const char16_t *text2, const char16_t *text3);

// The job's arczip32 session (word 7 of the request set while it is open): a
// backup collects its archive in it from Init to Close, a restore reads its
// archive entry by entry (archive_entries). The session belongs to one job
// record: a copy of the record starts without one, and the record's end
// ends it (an archive being collected is then discarded).
struct JobArchive {
    ArchiveRequest request{};
    bool writes = false;

    JobArchive() = default;
    JobArchive(const JobArchive &) {}
    JobArchive &operator=(const JobArchive &) { return *this; }
    ~JobArchive();
};

struct BackupJob {
    VKHWND owner = nullptr;
    uint32_t flags = 0;
    uint32_t extraFlags = 0;
    std::u16string name;          // backup name: archive file name without folder and last extension
    std::u16string archivePath;   // full path of the archive file
    std::u16string workFolder;    // the job's own folder under the temporary folder, ending in '/'
    ProgressProc progress = nullptr;
    int32_t *cancelFlag = nullptr;
    std::u16string metadataPath;  // workFolder + "Backup.why"
    std::u16string servicesPath;  // file that collects service definitions ("" until needed on backup)
    std::u16string toolsPath;     // file that collects tool definitions
    std::u16string extensions;    // archive extensions given to Init (";"-separated)
    int32_t toolAnswer = 0;       // remembered answer of the tool-overwrite question
    int32_t append = 0;           // backup: appends to an existing archive; restore: folder handed over
    int32_t started = 0;          // set by the first item call
    std::u16string backupVersion; // restore: "BackupVersion" of the archive ("8.0" when missing)
    TranslateHook translate = nullptr;
    JobArchive archive;
    // Backup: an append keeps the entries of the archive it appends to.
    bool keepsEntries = false;
    // Restore: the file unpacked beside its destination for the current item.
    std::u16string stagedSource;
    // Restore: the entries the opening check found damaged (names folded to
    // lower case); their items find no source, without a second warning.
    std::set<std::u16string> damagedEntries;
    // Restore: folders that received files. The copies are not flushed one by
    // one; their file systems are flushed once when the job closes.
    std::set<std::u16string> restoredFolders;
};

namespace vk::engine {

// True when the caller's cancel flag is set.
bool Cancelled(const BackupJob &job);

// Reports to the caller's progress procedure (nothing without one); returns
// its answer, or 1 when there is no procedure (so failures may be shown).
int Progress(const BackupJob &job, int code, intptr_t value, const char16_t *text);

// Adds item flags to the job for the duration of one item call and takes
// them out again on every return.
class ItemFlagScope {
public:
    ItemFlagScope(BackupJob &job, uint32_t itemFlags, uint32_t itemExtraFlags);
    ~ItemFlagScope();
    ItemFlagScope(const ItemFlagScope &) = delete;
    ItemFlagScope &operator=(const ItemFlagScope &) = delete;

private:
    BackupJob &job_;
    uint32_t addedFlags_;
    uint32_t addedExtra_;
};

// The status of an item call once its settings writes are finished (every
// exported call keeps them in one vk::ini::Batch, written when it returns):
// StatusIniFail when they could not be written although the item went well.
int ItemResult(vk::ini::Batch &writes, int status);

bool IsBackup(const BackupJob &job);
// Flushes the file systems of the folders a restore wrote to (at close).
void SyncRestoredFolders(BackupJob &job);
// True when the version-7 rules are in force (restore of a "7.0" archive).
bool Version7(const BackupJob &job);

// A new job record from the library's allocator, every field zero or empty;
// null (after the allocator's warning) when memory is short. FreeJob releases
// it (null is ignored).
BackupJob *NewJob();
void FreeJob(BackupJob *job);

// Item types that name a file (1002 and the file classes) and the ini
// section types (1003..1023).
bool IsFileType(int32_t type);
bool IsIniSectionType(int32_t type);

// An item of a type the job cannot handle: on restore jobs the warning
// "Unknown backup type ..." is shown; StatusInvalidBackupType.
int UnknownItem(const BackupJob &job, int32_t type, const char16_t *name, const char16_t *key, const char16_t *path);

} // namespace vk::engine
