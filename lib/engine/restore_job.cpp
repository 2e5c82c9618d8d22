// The restore job: VKRestoreInit, VKRestore and VKRestoreClose.
#include <cstdint>
#include <ctime>
#include <string>

#include "common/file_helpers.h"
#include "common/format.h"
#include "lib/engine/archive_binding.h"
#include "lib/engine/archive_entries.h"
#include "lib/engine/archive_choice.h"
#include "lib/engine/file_items.h"
#include "lib/engine/ini_items.h"
#include "lib/engine/installation_bounds.h"
#include "lib/engine/job.h"
#include "lib/engine/job_report.h"
#include "lib/engine/metadata.h"
#include "lib/engine/paths.h"
#include "lib/engine/translate_hooks.h"
#include "lib/engine/work_folder.h"
#include "lib/tools/service_item.h"
#include "lib/tools/tool_item.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"
#include "vaultkeeplib.h"

namespace vk::engine {
namespace {

const char16_t *Text(uint32_t id) { return LMGetString(VKGetLibraryModule(), id); }

constexpr char16_t kCurrentVersion[] = u"8.0";
constexpr char16_t kVersion7[] = u"7.0";

// The Open dialog of a restore; "" when cancelled.
std::u16string ChooseRestoreArchive(const BackupJob &job, const char16_t *path) {
    std::u16string pattern;
    for (const std::u16string &ext : SplitExtensions(job.extensions)) pattern += u"*" + ext + u";";
    return ChooseArchive(job.owner, false, path, Text(2980), Text(7971), pattern);
}

// A decimal 64-bit number as "%I64d" reads it: blanks, a sign, digits; 0
// when there are none. Digits beyond the range stop the reading.
int64_t ParseInt64(std::u16string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
    uint64_t n = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
        const uint64_t next = n * 10 + static_cast<uint64_t>(s[i] - u'0');
        if (next / 10 != n || next > static_cast<uint64_t>(INT64_MAX)) break;
        n = next;
    }
    const auto value = static_cast<int64_t>(n);
    return negative ? -value : value;
}

bool StartsWithNumber(std::u16string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t')) ++i;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) ++i;
    return i < s.size() && s[i] >= u'0' && s[i] <= u'9';
}

// The tool or service file of an archive: the configuration copy of the
// database when the archive holds one, else <Name>.<extension>.
std::u16string DefinitionsFile(const BackupJob &job, std::u16string_view database, std::u16string_view extension) {
    std::u16string copy = FindWorkEntry(job.workFolder, VK_CLASS_CONFIG_INI, database);
    if (vk::fs::Exists(copy)) return copy;
    return FindEntry(job.workFolder, job.name + u"." + std::u16string(extension));
}

// Tells the caller what the archive holds (codes 0, 6, 7, 8, 10, 12, 11).
void AnnounceContents(BackupJob &job, bool version7) {
    const std::u16string comment1 = ReadMetadata(job, kCommentSection, u"1");
    Progress(job, 0, 0, job.archivePath.c_str());
    Progress(job, 6, 0, job.workFolder.c_str());
    Progress(job, 7, 0, job.servicesPath.c_str());
    Progress(job, 8, 0, job.toolsPath.c_str());
    int64_t backupDate = ParseInt64(ReadMetadata(job, kUtilitySection, u"BackupDate"));
    Progress(job, 10, reinterpret_cast<intptr_t>(&backupDate), version7 ? u"Talvern 7 Backup" : comment1.c_str());
    if (!version7) {
        int64_t appendDate = ParseInt64(ReadMetadata(job, kUtilitySection, u"AppendDate"));
        const std::u16string comment2 = ReadMetadata(job, kCommentSection, u"2");
        Progress(job, 12, reinterpret_cast<intptr_t>(&appendDate), comment2.c_str());
    }
    for (int n = 1;; ++n) {
        const std::u16string record = ReadMetadata(job, kIniBk, vk::text::U16(std::to_string(n)));
        if (record.empty()) break;
        // "status,type,section[,key]": only successful items, and only whole
        // records (a record without its section names nothing to restore).
        const size_t first = record.find(u',');
        if (first == std::u16string::npos) continue;
        const size_t second = record.find(u',', first + 1);
        if (second == std::u16string::npos) continue;
        const std::u16string_view status = std::u16string_view(record).substr(0, first);
        if (!StartsWithNumber(status) || ParseInt64(status) != 0) continue;
        const auto type = static_cast<int32_t>(ParseInt64(std::u16string_view(record).substr(first + 1)));
        const std::u16string rest = record.substr(second + 1);
        if (rest.empty()) continue;
        Progress(job, 11, reinterpret_cast<intptr_t>(SectionTypeName(type)), rest.c_str());
    }
}

// "Backup.why" larger than this is refused: a metadata file holds a few
// records per item, and reading a huge one would take memory without end.
constexpr uint64_t kMetadataLimitBytes = 16ull << 20;

// A warning about the archive (text `id` with the archive path inserted).
void ShowArchiveRefusal(VKHWND owner, uint32_t id, const std::u16string &archive) {
    char16_t text[1024];
    vk::FormatBounded(text, 1024, Text(id), archive.c_str());
    vk::ui::MessageBox(owner, text, Text(2960), vk::ui::kMbOk | vk::ui::kMbIconError);
}

// Gives up a job whose work folder was already made.
BackupJob *Abandon(BackupJob *job) {
    RemoveWorkFolder(job->workFolder);
    FreeJob(job);
    return nullptr;
}

int CallHook(BackupJob &job, int32_t type, uint32_t itemFlags, uint32_t itemExtraFlags, const char16_t *name,
             const char16_t *key, const char16_t *path) {
    return job.translate ? job.translate(&job, type, itemFlags, itemExtraFlags, name, key, path) : 0;
}

// An ini item: its values are merged into the destination file, which is
// therefore read and written where it lies. A destination that is a link
// leading out of the installation is refused (Access denied), recorded like
// any other result.
int RestoreIniSection(BackupJob &job, int32_t type, const char16_t *name, const char16_t *key,
                      const char16_t *path) {
    const bool given = path && *path;
    const std::u16string destination =
        given ? std::u16string(path) : HomeFolder(VK_ITEM_MAIN_INI) + u"WProperties.ini";
    if (LinkLeavesInstallation(destination)) {
        job.flags |= VKF_REPORT_DUE;
        RecordIniResult(job, StatusAccessDenied, type, vk::text::View(name), key);
        return StatusAccessDenied;
    }
    return RestoreIniItem(job, type, vk::text::View(name), key, path);
}

int DispatchRestore(BackupJob &job, int32_t type, uint32_t itemFlags, uint32_t itemExtraFlags, const char16_t *name,
                    const char16_t *key, const char16_t *path) {
    if (IsFileType(type))
        return RestoreFileItem(job, type, itemFlags, itemExtraFlags, vk::text::View(path), nullptr, nullptr);
    if (IsIniSectionType(type)) return RestoreIniSection(job, type, name, key, path);
    // Services, tools and unknown types: the hook decides first.
    const int hooked = CallHook(job, type, itemFlags, itemExtraFlags, name, key, path);
    if (hooked != 0) return hooked;
    if (type == VK_ITEM_SERVICE) return vk::tools::RestoreServiceItem(job, itemFlags, itemExtraFlags, name, path);
    if (type == VK_ITEM_TOOL) return vk::tools::RestoreToolItem(job, itemFlags, name, key, path);
    return UnknownItem(job, type, name, key, path);
}

} // namespace
} // namespace vk::engine

using namespace vk::engine;

extern "C" {

VK_API BackupJob *VKRestoreInit(VKHWND owner, uint32_t flags, uint32_t extraFlags, const char16_t *path,
                                const char16_t *extensions, ProgressProc progress, int32_t *cancelFlag) {
    vk::ini::Batch writes;
    BackupJob *job = NewJob();
    if (!job) return nullptr;
    job->owner = owner;
    job->extensions = ExtensionList(extensions);

    std::u16string archive;
    if (AsksForDialog(path)) {
        archive = ChooseRestoreArchive(*job, path);
        if (archive.empty()) {
            FreeJob(job);
            return nullptr;
        }
    } else {
        archive = vk::text::View(path);
    }
    // The archive must be a file; a folder is no archive either.
    if (!vk::FileExists(archive.c_str()) || vk::fs::IsDirectory(archive)) {
        vk::ui::MessageBox(owner, Text(7972), Text(2960), vk::ui::kMbOk | vk::ui::kMbIconWarning);
        FreeJob(job);
        return nullptr;
    }
    job->archivePath = std::move(archive);
    RemoveLeftoversOfGoneRuns(job->archivePath);
    RefreshInstallationBounds();

    job->workFolder = MakeWorkFolder();
    if (job->workFolder.empty()) {
        vk::ui::MessageBox(owner, Text(3010), Text(2960), vk::ui::kMbOk | vk::ui::kMbIconError);
        FreeJob(job);
        return nullptr;
    }
    job->progress = progress;
    job->flags = flags | VKF_RESTORE;
    job->cancelFlag = cancelFlag;
    job->extraFlags = extraFlags;
    job->translate = &PassThroughHook;
    job->metadataPath = job->workFolder + kMetadataName;

    if (!OpenArchiveForItems(*job)) {
        // Stopped by the caller: no job, rather than one that would take the
        // archive file itself for every file.
        if (Cancelled(*job)) return Abandon(job);
        if (LastUnpackRefusal() == UnpackRefusal::NoRoom) {
            ShowArchiveRefusal(owner, 7985, job->archivePath);
            return Abandon(job);
        }
        // A damaged or unreadable archive is no plain file either: copied as
        // one it would overwrite every restored file with archive bytes.
        if (MayBeZipArchive(job->archivePath)) {
            ShowCannotUnpack(owner, job->archivePath.c_str());
            return Abandon(job);
        }
        job->flags |= VKF_PLAIN_SOURCE;
        return job;
    }

    // Without its "Backup.why" an archive would pass for a current one with
    // nothing in it; a huge one is not read at all.
    if (LastUnpackLostMetadata()) {
        ShowArchiveRefusal(owner, 7987, job->archivePath);
        return Abandon(job);
    }
    vk::fs::FileInfo metadata;
    if (vk::fs::Stat(job->metadataPath, metadata) && metadata.size > kMetadataLimitBytes) {
        ShowArchiveRefusal(owner, 7986, job->archivePath);
        return Abandon(job);
    }

    // The name becomes part of file names in the work folder: a name that
    // holds a folder part must not lead out of it.
    job->name = std::u16string(FileName(ReadMetadata(*job, kUtilitySection, u"Name")));
    // What the job reads itself is unpacked into the work folder: the tool
    // and service definitions (callers read them at the announced paths) and
    // the main properties copy of the ini items. File items come straight
    // from the archive.
    if (!UnpackEntries(*job, {job->name + u".wsv", job->name + u".wcf", u"4001/services.ini", u"4001/tools.ini",
                              u"1999/WProperties.ini"})) {
        ShowCannotUnpack(owner, job->archivePath.c_str());
        return Abandon(job);
    }
    job->servicesPath = DefinitionsFile(*job, u"services.ini", u"wsv");
    job->toolsPath = DefinitionsFile(*job, u"tools.ini", u"wcf");

    job->backupVersion = ReadMetadata(*job, kUtilitySection, u"BackupVersion");
    if (job->backupVersion.empty()) job->backupVersion = kCurrentVersion;
    bool version7 = false;
    if (vk::text::EqualNoCase(job->backupVersion, kCurrentVersion)) {
        job->translate = &PassThroughHook;
    } else if (vk::text::EqualNoCase(job->backupVersion, kVersion7)) {
        job->translate = &Version7Hook;
        job->flags |= VKF_REPORT_DUE;
        version7 = true;
    } else {
        vk::ui::MessageBox(owner, u"Unknown backup version, cannot restore", Text(2960),
                           vk::ui::kMbOk | vk::ui::kMbIconError);
        return Abandon(job);
    }
    if (progress) AnnounceContents(*job, version7);
    return job;
}

} // extern "C"

namespace vk::engine {
namespace {

// "2026-12-07 11:20", local time, from a "Backup.why" time stamp (a Windows
// file time as decimal text); "" when it holds none.
std::u16string BackupDateText(std::u16string_view fileTimeText) {
    uint64_t fileTime = 0;
    for (char16_t c : fileTimeText) {
        if (c < u'0' || c > u'9') return {};
        fileTime = fileTime * 10 + static_cast<uint64_t>(c - u'0');
    }
    constexpr uint64_t kUnixEpoch = 116444736000000000ULL; // 1970-01-01 as a file time
    if (fileTimeText.empty() || fileTime < kUnixEpoch) return {};
    const std::time_t seconds = static_cast<std::time_t>((fileTime - kUnixEpoch) / 10000000ULL);
    const std::tm *local = std::localtime(&seconds);
    if (!local) return {};
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", local);
    return vk::text::U16(text);
}

// The question before the first item of a version-7 archive, naming the
// archive and when it was made.
std::u16string Version7Question(const BackupJob &job) {
    std::u16string text = u"Restore configuration from Talvern 7?\n\nArchive: ";
    text += job.archivePath;
    const std::u16string date = BackupDateText(ReadMetadata(job, kUtilitySection, u"BackupDate"));
    if (!date.empty()) text += u"\nMade: " + date;
    return text;
}

} // namespace
} // namespace vk::engine

extern "C" {

VK_API int VKRestore(BackupJob *job, int32_t type, uint32_t itemFlags, uint32_t itemExtraFlags, const char16_t *name,
                     const char16_t *key, const char16_t *path) {
    if (!job) return StatusFailed;
    if (Cancelled(*job)) return StatusCancelled;
    if (!job->started) {
        // A caller that confirmed the restore already is not asked again.
        if (Version7(*job) && !(job->flags & VKF_CONFIRMED)) {
            const int answer = vk::ui::MessageBox(job->owner, Version7Question(*job), Text(7716),
                                                  vk::ui::kMbYesNo | vk::ui::kMbIconQuestion);
            if (answer != vk::ui::kIdYes) {
                if (job->cancelFlag) *job->cancelFlag = 1;
                return StatusFailed;
            }
        }
        job->started = 1;
    }
    vk::ini::Batch writes;
    return ItemResult(writes, DispatchRestore(*job, type, itemFlags, itemExtraFlags, name, key, path));
}

VK_API int VKRestoreClose(BackupJob *job) {
    if (!job) return 0;
    // Each item's writes reached the disk when its call returned; anything
    // still pending must too, or the close says it failed.
    vk::ini::Batch writes;
    const bool flushed = vk::ini::Flush(nullptr);
    WriteJobReport(*job);
    CloseArchiveSession(*job);
    int result = flushed && writes.Finish() ? 1 : 0;
    if (job->append != 1 && !RemoveWorkFolder(job->workFolder)) result = 0;
    FreeJob(job);
    return result;
}

} // extern "C"
