#include "lib/engine/job.h"

#include <new>

#include "common/format.h"
#include "common/memory.h"
#include "lib/engine/archive_entries.h"
#include "lib/engine/translate_hooks.h"
#include "platform/fs/fs.h"
#include "platform/ui/ui.h"

namespace vk::engine {

bool Cancelled(const BackupJob &job) { return job.cancelFlag != nullptr && *job.cancelFlag != 0; }

int Progress(const BackupJob &job, int code, intptr_t value, const char16_t *text) {
    if (!job.progress) return 1;
    return job.progress(code, value, text);
}

ItemFlagScope::ItemFlagScope(BackupJob &job, uint32_t itemFlags, uint32_t itemExtraFlags)
    : job_(job), addedFlags_(itemFlags & ~job.flags), addedExtra_(itemExtraFlags & ~job.extraFlags) {
    job_.flags |= addedFlags_;
    job_.extraFlags |= addedExtra_;
}

// A failure recorded during the item (VKF_REPORT_DUE) outlives it.
ItemFlagScope::~ItemFlagScope() {
    job_.flags &= ~(addedFlags_ & ~VKF_REPORT_DUE);
    job_.extraFlags &= ~addedExtra_;
}

int ItemResult(vk::ini::Batch &writes, int status) {
    return writes.Finish() || status != StatusOk ? status : StatusIniFail;
}

bool IsBackup(const BackupJob &job) { return (job.flags & VKF_BACKUP) != 0; }

bool Version7(const BackupJob &job) { return job.translate == &Version7Hook; }

BackupJob *NewJob() {
    void *block = vk::AllocZeroed(sizeof(BackupJob));
    return block ? new (block) BackupJob() : nullptr;
}

void SyncRestoredFolders(BackupJob &job) {
    for (const std::u16string &folder : job.restoredFolders) vk::fs::SyncFileSystem(folder);
    job.restoredFolders.clear();
}

// Every Close call ends here: the files a restore wrote reach the disk before
// the job is gone.
void FreeJob(BackupJob *job) {
    if (!job) return;
    CloseArchiveSession(*job);
    SyncRestoredFolders(*job);
    job->~BackupJob();
    vk::FreeBlock(job);
}

bool IsFileType(int32_t type) {
    return type == 1002 || (type >= 2000 && type <= 2004) || type == 2999 || type == 3000 || type == 3999 ||
           (type >= 4000 && type <= 4004) || type == 4999 || (type >= 5000 && type <= 5002) ||
           (type >= 5004 && type <= 5008) || type == 5999 || type == 6000 || type == 6999 || type == 7000 ||
           type == 7999;
}

bool IsIniSectionType(int32_t type) { return type >= 1003 && type <= 1023; }

int UnknownItem(const BackupJob &job, int32_t type, const char16_t *name, const char16_t *key, const char16_t *path) {
    if (job.flags & VKF_RESTORE) {
        char16_t text[255];
        vk::FormatBounded(text, 255, u"Unknown backup type %d\n\n%s,%s,%s", static_cast<int>(type),
                          name ? name : u"", key ? key : u"", path ? path : u"");
        vk::ui::MessageBox(job.owner, text, u"Cannot restore item", vk::ui::kMbOk | vk::ui::kMbIconWarning);
    }
    return StatusInvalidBackupType;
}

} // namespace vk::engine
