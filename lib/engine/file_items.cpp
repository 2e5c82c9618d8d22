// File items of a backup and of a restore.
//
// Backup: the file is copied into the work folder as <class>/<file name>
// (databases as 3000/<path below the data folder>); the main properties file
// travels as ini items into 1999/WProperties.ini. Restore: the copy in the
// work folder goes back to its class's home folder under the version policy.
// Every result is recorded in "Backup.why" (FileBk, FileRestore).
#include <string>

#include "common/file_helpers.h"
#include "lib/engine/file_items.h"
#include "lib/engine/file_items_internal.h"
#include "lib/engine/ini_items.h"
#include "lib/engine/installation_bounds.h"
#include "lib/engine/metadata.h"
#include "lib/engine/paths.h"
#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk::engine {
namespace {

// The source of a backup item: an absolute path stands for itself; any other
// text lies below its class's home folder.
std::u16string BackupSource(int32_t fileClass, std::u16string_view path) {
    if (IsAbsolutePath(path)) return std::u16string(path);
    return HomeFolder(fileClass) + ToNative(path);
}

// The destination's "Backup.why" key: its path below the work folder, with '\'.
std::u16string EntryKey(const BackupJob &job, const std::u16string &destination) {
    std::u16string_view relative = destination;
    if (!job.workFolder.empty() && relative.substr(0, job.workFolder.size()) == job.workFolder)
        relative.remove_prefix(job.workFolder.size());
    while (!relative.empty() && relative.front() == u'/') relative.remove_prefix(1);
    return ToStoredKey(relative);
}

bool MakeParentFolder(const std::u16string &path) {
    const std::u16string folder = vk::fs::ParentFolder(path);
    return !folder.empty() && vk::CreateDirectoryTree(folder.c_str());
}

} // namespace

int BackupFileItem(BackupJob &job, int32_t fileClass, uint32_t itemFlags, uint32_t itemExtraFlags,
                   std::u16string_view path, std::u16string *handled, const char16_t *label) {
    ItemFlagScope scope(job, itemFlags, itemExtraFlags);
    if (fileClass == VK_ITEM_FILE) fileClass = ClassifyFile(path);

    const std::u16string source = BackupSource(fileClass, path);
    if (handled) *handled = source;
    const std::u16string_view name = FileName(source);

    int status = StatusOk;
    std::u16string destination;
    if (fileClass == VK_ITEM_MAIN_INI) {
        destination = WorkPath(job.workFolder, fileClass, StoredFileName(name));
        if (LinkLeavesInstallation(source)) {
            status = SignalCopyFailure(job, StatusAccessDenied, 0, source);
        } else if (!MakeParentFolder(destination)) {
            status = SignalCopyFailure(job, StatusWindowsError, vk::fs::LastError(), source);
        } else if (!IsAbsolutePath(source) || !vk::fs::Exists(source)) {
            // A missing main file transfers nothing: reported, not passed off
            // as a success.
            status = SignalCopyFailure(job, StatusNoSourceFile, 0, source);
        } else {
            status = TransferMainIni(job, name, source, destination);
        }
    } else {
        const std::u16string relative =
            fileClass == VK_CLASS_DATABASE ? PathBelowDataDir(source) : StoredFileName(name);
        destination = WorkPath(job.workFolder, fileClass, relative);
        // A link in an installation folder that leads out of the installation
        // is not followed: the archive would carry a file from elsewhere.
        if (LinkLeavesInstallation(source))
            status = SignalCopyFailure(job, StatusAccessDenied, 0, source);
        else if (!MakeParentFolder(destination))
            status = SignalCopyFailure(job, StatusWindowsError, vk::fs::LastError(), source);
        else
            status = CopyJobFile(job, source, destination);
    }
    RecordFileResult(job, EntryKey(job, destination), status, fileClass, label);
    return status;
}

int RestoreFileItem(BackupJob &job, int32_t fileClass, uint32_t itemFlags, uint32_t itemExtraFlags,
                    std::u16string_view path, std::u16string *handled, const char16_t *label) {
    ItemFlagScope scope(job, itemFlags, itemExtraFlags);
    if (fileClass == VK_ITEM_FILE) fileClass = ClassifyFile(path);

    const std::u16string destination = TranslateEntry(job, path, fileClass);
    const std::u16string_view name = FileName(path);

    std::u16string source;
    if (fileClass == VK_CLASS_DATABASE) {
        source = FindWorkEntry(job.workFolder, fileClass, PathBelowDataDir(path));
    } else if (job.flags & VKF_PLAIN_SOURCE) {
        // A plain file is restored only to a file of its own name: copied
        // to every file item it would overwrite unrelated files.
        if (!vk::text::EqualNoCase(name, FileName(job.archivePath))) return StatusNoSourceFile;
        source = job.archivePath;
    } else {
        source = FindWorkEntry(job.workFolder, fileClass, name);
    }
    if (handled) *handled = source;

    int status;
    if (IsMainIniName(name)) {
        // The main properties file comes back section by section only.
        status = StatusSkipOne;
    } else {
        if (!vk::fs::Exists(source)) return StatusNoSourceFile;
        if (job.translate) {
            const int answer =
                job.translate(&job, fileClass, itemFlags, itemExtraFlags, source.c_str(), destination.c_str(), nullptr);
            if (answer != 0) return answer;
        }
        const SpecialHandler handler = FindSpecialHandler(name);
        if (LinkLeavesInstallation(vk::fs::ParentFolder(destination))) {
            // A linked folder on the way would take the file out of the
            // installation. (A link in the file's own place is replaced by
            // the copy, never written through.)
            status = SignalCopyFailure(job, StatusAccessDenied, 0, destination);
        } else {
            status = handler ? handler(job, source, destination) : CopyJobFile(job, source, destination);
        }
    }
    RecordFileResult(job, name, status, fileClass, label);
    return status;
}

} // namespace vk::engine
