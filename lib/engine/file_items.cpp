// File items of a backup and of a restore.
//
// Backup: the file is copied into the work folder as <class>/<file name>
// (databases as 3000/<path below the data folder>); the main properties file
// travels as ini items into 1999/WProperties.ini. Restore: the copy in the
// work folder goes back to its class's home folder under the version policy.
// Every result is recorded in "Backup.why" (FileBk, FileRestore).
#include <string>

#include "common/file_helpers.h"
#include "lib/engine/archive_binding.h"
#include "lib/engine/archive_entries.h"
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

constexpr int kProgressCopy = 9;

// The source of a backup item: an absolute path stands for itself; any other
// text lies below its class's home folder.
std::u16string BackupSource(int32_t fileClass, std::u16string_view path) {
    if (IsAbsolutePath(path)) return std::u16string(path);
    return HomeFolder(fileClass) + ToNative(path);
}

bool MakeParentFolder(const std::u16string &path) {
    const std::u16string folder = vk::fs::ParentFolder(path);
    return !folder.empty() && vk::CreateDirectoryTree(folder.c_str());
}

bool IsFile(std::u16string_view path) {
    vk::fs::FileInfo info;
    return vk::fs::Stat(path, info) && info.exists && !info.directory;
}

// A file item's file into the backup's archive: read once, now. An entry the
// archive already has stays: on an append it is the copy the archive holds,
// and a file named twice in one backup is read once.
int BackupToArchive(BackupJob &job, std::u16string_view source, std::u16string_view entry) {
    const std::u16string sourceText(source);
    // A relative source would be looked for in the current folder: missing.
    if (!IsAbsolutePath(source) || !IsFile(source)) return SignalCopyFailure(job, StatusNoSourceFile, 0, source);
    if (ArchiveHasEntry(job, entry)) {
        if (!job.append) Progress(job, kProgressCopy, StatusDestinationExists, sourceText.c_str());
        return StatusOk;
    }
    if (AddFileEntry(job, entry, source)) {
        Progress(job, kProgressCopy, StatusOk, sourceText.c_str());
        return StatusOk;
    }
    const uint32_t error = vk::fs::LastError();
    // A quiet job reports the failure too (status 9), it only stays silent.
    return SignalCopyFailure(job, StatusWindowsError, error ? error : vk::fs::kErrorAccessDenied, source);
}

// A restored file from the open archive: its entry is unpacked into a new
// file beside the destination, which the version check reads (the archived
// file's own version) and which then takes the destination's place in one
// step. The file is written once; the destination is wholly old or wholly new.
int RestoreFromArchive(BackupJob &job, std::u16string_view entry, const std::u16string &destination,
                       SpecialHandler handler) {
    // A destination that is no absolute path (an installation folder that is
    // not defined) would land in the current folder: refused.
    if (!IsAbsolutePath(destination))
        return SignalCopyFailure(job, StatusWindowsError, vk::fs::kErrorPathNotFound, destination);
    const std::u16string folder = vk::fs::ParentFolder(destination);
    if (!folder.empty() && !vk::fs::IsDirectory(folder)) vk::CreateDirectoryTree(folder.c_str());
    const std::u16string staged = vk::fs::TempNameBeside(destination);
    if (staged.empty() || !ExtractEntry(job, entry, staged)) {
        uint32_t error = vk::fs::LastError();
        if (error == ARC_ERROR_DAMAGED_ENTRY) {
            // Found only now that its item unpacks it: the warning an
            // unpacking gives, and the item has no source.
            const std::u16string name(entry);
            ShowCannotUnpack(job.owner, name.c_str());
            return StatusNoSourceFile;
        }
        if (error == vk::fs::kErrorFileNotFound) error = vk::fs::kErrorPathNotFound;
        const int status = error == vk::fs::kErrorAccessDenied ? StatusAccessDenied : StatusWindowsError;
        return SignalCopyFailure(job, status, error, destination);
    }
    job.stagedSource = staged;
    const int status = handler ? handler(job, staged, destination) : CopyJobFile(job, staged, destination);
    job.stagedSource.clear();
    // Refused or failed: the new file goes again.
    if (vk::fs::Exists(staged)) vk::fs::DeleteFile(staged);
    return status;
}

} // namespace

std::u16string ClassEntry(int32_t fileClass, std::u16string_view relative) {
    std::u16string entry = vk::text::U16(std::to_string(fileClass));
    entry.push_back(u'/');
    entry += ToNative(relative);
    return entry;
}

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
        const std::u16string entry = ClassEntry(fileClass, relative);
        // A link in an installation folder that leads out of the installation
        // is not followed: the archive would carry a file from elsewhere.
        if (LinkLeavesInstallation(source))
            status = SignalCopyFailure(job, StatusAccessDenied, 0, source);
        else
            status = BackupToArchive(job, source, entry);
        RecordFileResult(job, ToStoredKey(entry), status, fileClass, label);
        return status;
    }
    RecordFileResult(job, ToStoredKey(ClassEntry(fileClass, StoredFileName(name))), status, fileClass, label);
    return status;
}

int RestoreFileItem(BackupJob &job, int32_t fileClass, uint32_t itemFlags, uint32_t itemExtraFlags,
                    std::u16string_view path, std::u16string *handled, const char16_t *label) {
    ItemFlagScope scope(job, itemFlags, itemExtraFlags);
    if (fileClass == VK_ITEM_FILE) fileClass = ClassifyFile(path);

    const std::u16string destination = TranslateEntry(job, path, fileClass);
    const std::u16string_view name = FileName(path);

    // The file's place in the work folder, as its entry names it.
    const std::u16string relative =
        fileClass == VK_CLASS_DATABASE ? PathBelowDataDir(path) : std::u16string(name);
    std::u16string source;
    if (fileClass == VK_CLASS_DATABASE) {
        source = FindWorkEntry(job.workFolder, fileClass, relative);
    } else if (job.flags & VKF_PLAIN_SOURCE) {
        // A plain file is restored only to a file of its own name: copied
        // to every file item it would overwrite unrelated files.
        if (!vk::text::EqualNoCase(name, FileName(job.archivePath))) return StatusNoSourceFile;
        source = job.archivePath;
    } else {
        source = FindWorkEntry(job.workFolder, fileClass, name);
    }
    // A caller that reads the archived file afterwards (a presentation names
    // its header) finds it in the work folder, where the path it gets says.
    if (handled && !(job.flags & VKF_PLAIN_SOURCE) && !IsMainIniName(name) && !vk::fs::Exists(source)) {
        const std::u16string entry = ClassEntry(fileClass, relative);
        if (!EntryDamaged(job, entry) && ArchiveHoldsEntry(job, entry) && UnpackEntries(job, {entry}))
            source = FindWorkEntry(job.workFolder, fileClass, relative);
    }
    if (handled) *handled = source;

    int status;
    if (IsMainIniName(name)) {
        // The main properties file comes back section by section only.
        status = StatusSkipOne;
    } else {
        // A file not unpacked into the work folder comes straight from the
        // open archive.
        std::u16string entry;
        if (!vk::fs::Exists(source)) {
            if (!(job.flags & VKF_PLAIN_SOURCE)) entry = ClassEntry(fileClass, relative);
            // A damaged entry was announced when the archive was opened.
            if (entry.empty() || EntryDamaged(job, entry) || !ArchiveHoldsEntry(job, entry)) return StatusNoSourceFile;
        }
        if (job.translate) {
            const int answer =
                job.translate(&job, fileClass, itemFlags, itemExtraFlags, source.c_str(), destination.c_str(), nullptr);
            if (answer != 0) return answer;
        }
        const SpecialHandler handler = FindSpecialHandler(name);
        if (LinkLeavesInstallation(vk::fs::ParentFolder(destination))) {
            // A linked folder on the way would take the file out of the
            // installation. (A link in the file's own place is replaced by
            // the new file, never written through.)
            status = SignalCopyFailure(job, StatusAccessDenied, 0, destination);
        } else if (!entry.empty()) {
            status = RestoreFromArchive(job, entry, destination, handler);
            if (status == StatusNoSourceFile) return status; // a damaged entry: as if missing
        } else {
            status = handler ? handler(job, source, destination) : CopyJobFile(job, source, destination);
        }
    }
    RecordFileResult(job, name, status, fileClass, label);
    return status;
}

} // namespace vk::engine
