#include "lib/engine/archive_entries.h"

#include "arczip32/arczip32.h"
#include "lib/engine/archive_binding.h"
#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk::engine {
namespace {

template <typename Proc>
Proc Ordinal(int ordinal) {
    return reinterpret_cast<Proc>(ArcProcByOrdinal(ordinal));
}

void FillRequest(BackupJob &job) {
    ArchiveRequest &request = job.archive.request;
    request.word[ARC_WORD_ARCHIVE] = reinterpret_cast<intptr_t>(job.archivePath.c_str());
    request.word[ARC_WORD_DESTINATION] = job.archive.writes ? 0 : reinterpret_cast<intptr_t>(job.workFolder.c_str());
    request.word[ARC_WORD_CALLBACK] = reinterpret_cast<intptr_t>(&ArchiveEvent);
    request.word[ARC_WORD_CONTEXT] = reinterpret_cast<intptr_t>(&job);
    request.word[ARC_WORD_CANCEL] = reinterpret_cast<intptr_t>(job.cancelFlag);
}

} // namespace

bool HasArchiveSession(const BackupJob &job) { return job.archive.request.word[ARC_WORD_HANDLE] != 0; }

bool OpenArchiveWriter(BackupJob &job) {
    if (HasArchiveSession(job)) return job.archive.writes;
    job.archive.request = ArchiveRequest{};
    job.archive.writes = true;
    FillRequest(job);
    if (!Ordinal<ArcRequestProc>(2)(&job.archive.request)) return false;
    if (job.append && job.keepsEntries && !Ordinal<ArcAddFolderProc>(12)(&job.archive.request, job.archivePath.c_str())) {
        CloseArchiveSession(job);
        return false;
    }
    return true;
}

bool ArchiveHasEntry(BackupJob &job, std::u16string_view entry) {
    if (!HasArchiveSession(job)) return false;
    const std::u16string name(entry);
    return Ordinal<ArcNameProc>(11)(&job.archive.request, name.c_str()) != 0;
}

bool AddFileEntry(BackupJob &job, std::u16string_view entry, std::u16string_view source) {
    if (!OpenArchiveWriter(job)) return false;
    FillRequest(job); // the cancel flag may have been given after the session began
    const std::u16string name(entry), path(source);
    return Ordinal<ArcEntryFileProc>(10)(&job.archive.request, name.c_str(), path.c_str()) != 0;
}

bool OpenArchiveReader(BackupJob &job) {
    if (HasArchiveSession(job)) return !job.archive.writes;
    job.archive.request = ArchiveRequest{};
    job.archive.writes = false;
    FillRequest(job);
    return Ordinal<ArcRequestProc>(5)(&job.archive.request) != 0;
}

bool ArchiveHoldsEntry(BackupJob &job, std::u16string_view entry) {
    if (!HasArchiveSession(job) || job.archive.writes) return false;
    const std::u16string name(entry);
    return Ordinal<ArcNameProc>(11)(&job.archive.request, name.c_str()) != 0;
}

bool ExtractEntry(BackupJob &job, std::u16string_view entry, std::u16string_view path, bool stoppable) {
    if (!HasArchiveSession(job) || job.archive.writes) {
        vk::fs::SetLastError(vk::fs::kErrorFileNotFound);
        return false;
    }
    FillRequest(job);
    if (!stoppable) job.archive.request.word[ARC_WORD_CANCEL] = 0;
    const std::u16string name(entry), target(path);
    return Ordinal<ArcEntryFileProc>(13)(&job.archive.request, name.c_str(), target.c_str()) != 0;
}

std::u16string FoldedEntryName(std::u16string_view entry) {
    std::u16string folded(entry);
    for (char16_t &c : folded) c = c == u'\\' ? u'/' : vk::text::FoldCase(c);
    return folded;
}

bool EntryDamaged(const BackupJob &job, std::u16string_view entry) {
    return !job.damagedEntries.empty() && job.damagedEntries.count(FoldedEntryName(entry)) != 0;
}

namespace {

void EndSession(JobArchive &archive) {
    ArchiveRequest &request = archive.request;
    if (request.word[ARC_WORD_HANDLE] == 0) return;
    if (archive.writes) {
        // ArcFinish with a set cancel flag discards what was collected.
        int32_t stop = 1;
        request.word[ARC_WORD_CANCEL] = reinterpret_cast<intptr_t>(&stop);
        request.word[ARC_WORD_CALLBACK] = 0;
        Ordinal<ArcRequestProc>(4)(&request);
    } else {
        Ordinal<ArcRequestProc>(7)(&request);
    }
    request = ArchiveRequest{};
}

} // namespace

void CloseArchiveSession(BackupJob &job) { EndSession(job.archive); }

} // namespace vk::engine

JobArchive::~JobArchive() { vk::engine::EndSession(*this); }
