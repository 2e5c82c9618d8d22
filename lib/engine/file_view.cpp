// The restore preview of one file item: where it would go, how the installed
// copy stands against the archived one, and what the version policy would do,
// without copying, recording or asking anything.
#include <string>

#include "common/string_copy.h"
#include "lib/engine/archive_entries.h"
#include "lib/engine/file_items.h"
#include "lib/engine/file_items_internal.h"
#include "lib/engine/paths.h"
#include "lib/engine/translate_hooks.h"
#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk::engine {
namespace {

// The archived copy of a restore item, as the restore would take it: a
// file of the work folder, or (the usual case) its entry of the open archive
// unpacked for the view into the work folder's "view" folder, removed again
// when the view is done.
class ArchivedSource {
public:
    ArchivedSource(BackupJob &job, int32_t fileClass, std::u16string_view path) {
        const std::u16string relative =
            fileClass == VK_CLASS_DATABASE ? PathBelowDataDir(path) : std::u16string(FileName(path));
        if (job.flags & VKF_PLAIN_SOURCE) {
            path_ = job.archivePath;
            return;
        }
        path_ = WorkPath(job.workFolder, fileClass, relative);
        if (vk::fs::Exists(path_) || job.workFolder.empty()) return;
        const std::u16string entry = ClassEntry(fileClass, relative);
        if (EntryDamaged(job, entry) || !ArchiveHoldsEntry(job, entry)) return;
        const std::u16string folder = job.workFolder + u"view";
        if (!vk::fs::IsDirectory(folder)) vk::fs::CreateDirectory(folder);
        const std::u16string staged = folder + u"/" + std::u16string(FileName(relative));
        if (vk::fs::Exists(staged)) vk::fs::DeleteFile(staged);
        if (ExtractEntry(job, entry, staged, false)) path_ = staged_ = staged;
    }
    ~ArchivedSource() {
        if (!staged_.empty()) vk::fs::DeleteFile(staged_);
    }
    ArchivedSource(const ArchivedSource &) = delete;
    ArchivedSource &operator=(const ArchivedSource &) = delete;
    const std::u16string &path() const { return path_; }

private:
    std::u16string path_;
    std::u16string staged_;
};

bool SameContent(std::u16string_view a, std::u16string_view b) {
    std::string left;
    std::string right;
    return vk::fs::ReadWhole(a, left) && vk::fs::ReadWhole(b, right) && left == right;
}

// Unversioned files: equal contents are equal; otherwise the later
// modification time is the newer file.
int32_t UnversionedState(std::u16string_view source, std::u16string_view destination) {
    vk::fs::FileInfo archived;
    vk::fs::FileInfo installed;
    vk::fs::Stat(source, archived);
    vk::fs::Stat(destination, installed);
    if (archived.size == installed.size && SameContent(source, destination)) return VK_VIEW_EQUAL;
    if (installed.writeTime > archived.writeTime) return VK_VIEW_NEWER;
    return VK_VIEW_OLDER;
}

int32_t VersionedState(uint64_t archived, uint64_t installed) {
    if (installed < archived) return VK_VIEW_OLDER;
    return installed == archived ? VK_VIEW_EQUAL : VK_VIEW_NEWER;
}

void Skip(VKFileView &view, int status) {
    view.action = VK_ACTION_SKIP;
    view.status = status;
}

void FillView(BackupJob &job, int32_t fileClass, std::u16string_view path, VKFileView &view) {
    const std::u16string destination = TranslateEntry(job, path, fileClass);
    vk::CopyBounded(view.destination, sizeof view.destination / sizeof view.destination[0], destination);
    const bool installed = vk::fs::Exists(destination);
    // The main properties file comes back section by section only.
    if (IsMainIniName(FileName(path))) {
        view.state = installed ? VK_VIEW_EQUAL : VK_VIEW_MISSING;
        return Skip(view, StatusSkipOne);
    }
    const ArchivedSource archived(job, fileClass, path);
    const std::u16string &source = archived.path();
    if (!vk::fs::Exists(source)) {
        view.state = VK_VIEW_NOT_IN_ARCHIVE;
        Skip(view, StatusNoSourceFile);
        return;
    }
    view.archivedVersion = CheckedVersion(source);
    view.installedVersion = installed ? CheckedVersion(destination) : 0;
    if (!installed) view.state = VK_VIEW_MISSING;
    else if (view.archivedVersion == 0 && view.installedVersion == 0) view.state = UnversionedState(source, destination);
    else view.state = VersionedState(view.archivedVersion, view.installedVersion);

    // The same decisions the restore makes, in its order.
    if (Version7(job)) {
        if (const int verdict = Version7Verdict(fileClass, destination)) return Skip(view, verdict);
    }
    if (!installed || (job.flags & VKF_ANY_VERSION)) return;
    if (view.archivedVersion == 0) {
        if (view.installedVersion != 0) {
            view.action = VK_ACTION_KEEP; // an unversioned file never replaces a versioned one
        } else {
            switch (NonVersionedPolicy(destination)) {
            case NonVersionedChoice::Keep: view.action = VK_ACTION_KEEP; break;
            case NonVersionedChoice::Ask: view.action = VK_ACTION_ASK; break;
            case NonVersionedChoice::Overwrite: break;
            }
        }
    } else if (view.installedVersion != 0 && view.archivedVersion < view.installedVersion) {
        view.action = VK_ACTION_KEEP;
    }
    if (view.action == VK_ACTION_KEEP) view.status = StatusDestinationNewer;
}

} // namespace
} // namespace vk::engine

extern "C" VK_API int VKRestoreFileView(BackupJob *job, int32_t type, const char16_t *path, VKFileView *view) {
    using namespace vk::engine;
    if (!job || !view || !path || !IsFileType(type)) return 0;
    *view = VKFileView{};
    const std::u16string_view text = vk::text::View(path);
    view->fileClass = type == VK_ITEM_FILE ? ClassifyFile(text) : type;
    FillView(*job, view->fileClass, text, *view);
    return 1;
}
