// The copy of one file for a job: progress code 9 after every attempt, the
// error dialog for a failure, and on restore the version check.
#include "common/file_helpers.h"
#include "lib/engine/file_items.h"
#include "lib/engine/file_items_internal.h"
#include "platform/fs/fs.h"

namespace vk::engine {
namespace {

constexpr int kProgressCopy = 9;

bool IsFile(std::u16string_view path) {
    vk::fs::FileInfo info;
    return vk::fs::Stat(path, info) && info.exists && !info.directory;
}

int CopyForRestore(BackupJob &job, std::u16string_view source, std::u16string_view destination) {
    // A destination that is no absolute path (an installation folder that is
    // not defined) would land in the current folder: refused.
    if (!IsAbsolutePath(destination))
        return SignalCopyFailure(job, StatusWindowsError, vk::fs::kErrorPathNotFound, destination);
    if (!RestoreAllowed(job, source, destination))
        return SignalCopyFailure(job, StatusDestinationNewer, 0, destination);

    // Copies are not flushed one by one: the job flushes the file systems it
    // wrote to once, at close. They are real copies, never links, so that no
    // file of the installation shares its data with another file.
    const vk::fs::CopyMode mode = vk::fs::CopyMode::Fast;
    // A file unpacked beside the destination for this item takes its place.
    const bool staged = !job.stagedSource.empty() && source == job.stagedSource;
    bool copied = staged ? vk::fs::MoveFile(source, destination) : vk::fs::CopyFile(source, destination, false, mode);
    if (!copied && !staged) {
        const std::u16string folder = vk::fs::ParentFolder(destination);
        if (!folder.empty()) vk::CreateDirectoryTree(folder.c_str());
        copied = vk::fs::CopyFile(source, destination, false, mode);
    }
    if (copied) {
        job.restoredFolders.insert(vk::fs::ParentFolder(destination));
        const std::u16string destinationText(destination);
        Progress(job, kProgressCopy, StatusOk, destinationText.c_str());
        return StatusOk;
    }
    const uint32_t error = vk::fs::LastError();
    const int status = error == vk::fs::kErrorAccessDenied ? StatusAccessDenied : StatusWindowsError;
    return SignalCopyFailure(job, status, error, destination);
}

} // namespace

int SignalCopyFailure(BackupJob &job, int status, uint32_t windowsError, std::u16string_view path) {
    if (job.flags & VKF_QUIET) return status;
    const std::u16string pathText(path);
    if (Progress(job, kProgressCopy, status, pathText.c_str()) != 0)
        ShowCopyErrorDialog(job, status, windowsError, path);
    job.flags |= VKF_REPORT_DUE;
    return status;
}

int CopyJobFile(BackupJob &job, std::u16string_view source, std::u16string_view destination) {
    // A relative source would be looked for in the current folder: missing.
    if (!IsAbsolutePath(source) || !IsFile(source)) return SignalCopyFailure(job, StatusNoSourceFile, 0, source);
    // Backups read their files into the archive (file_items); every copy
    // here puts a file back into the installation.
    return CopyForRestore(job, source, destination);
}

} // namespace vk::engine
