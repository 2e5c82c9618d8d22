// The exported calls of arczip32: request checks, the handle in word 7, and
// the table by ordinal. No exception leaves the library.
#include "arczip32/arczip32.h"

#include <new>

#include "arczip32/sessions.h"
#include "platform/text/text.h"

namespace {

using vk::arc::ReadSession;
using vk::arc::SessionHeader;
using vk::arc::WriteSession;

const char16_t *Text(const ArchiveRequest *request, int word) {
    return reinterpret_cast<const char16_t *>(request->word[word]);
}

template <typename Session>
Session *Handle(const ArchiveRequest *request, uint32_t magic) {
    if (request == nullptr || request->word[ARC_WORD_HANDLE] == 0) return nullptr;
    auto *header = reinterpret_cast<SessionHeader *>(request->word[ARC_WORD_HANDLE]);
    if (header->magic != magic) return nullptr;
    return static_cast<Session *>(header);
}

template <typename Session>
void SetHandle(ArchiveRequest *request, Session *session) {
    request->word[ARC_WORD_HANDLE] = reinterpret_cast<intptr_t>(static_cast<SessionHeader *>(session));
}

// Runs `body`, turning any exception into a failure.
template <typename Body>
int Guarded(Body body) {
    try {
        return body() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

} // namespace

extern "C" {

ARC_API int ArcVersion(void) { return 3; }

ARC_API int ArcCreate(ArchiveRequest *request) {
    return Guarded([&] {
        if (request == nullptr || request->word[ARC_WORD_HANDLE] != 0) return false;
        auto session = vk::arc::CreateArchive(vk::text::View(Text(request, ARC_WORD_ARCHIVE)));
        if (!session) return false;
        SetHandle(request, session.release());
        return true;
    });
}

ARC_API int ArcAddFolder(ArchiveRequest *request, const char16_t *folder) {
    return Guarded([&] {
        WriteSession *session = Handle<WriteSession>(request, vk::arc::kWriteMagic);
        if (session == nullptr) return false;
        vk::arc::EventSink sink = vk::arc::SinkFromRequest(*request);
        try {
            return vk::arc::AddFolder(*session, vk::text::View(folder), sink);
        } catch (...) {
            session->failed = true;
            throw;
        }
    });
}

ARC_API int ArcFinish(ArchiveRequest *request) {
    return Guarded([&] {
        WriteSession *session = Handle<WriteSession>(request, vk::arc::kWriteMagic);
        if (session == nullptr) return false;
        std::unique_ptr<WriteSession> owned(session);
        request->word[ARC_WORD_HANDLE] = 0;
        const auto *cancel = reinterpret_cast<const int32_t *>(request->word[ARC_WORD_CANCEL]);
        return vk::arc::FinishArchive(*owned, cancel);
    });
}

ARC_API int ArcOpen(ArchiveRequest *request) {
    return Guarded([&] {
        if (request == nullptr || request->word[ARC_WORD_HANDLE] != 0) return false;
        auto session = vk::arc::OpenArchive(vk::text::View(Text(request, ARC_WORD_ARCHIVE)));
        if (!session) return false;
        SetHandle(request, session.release());
        return true;
    });
}

ARC_API int ArcExtractAll(ArchiveRequest *request) {
    return Guarded([&] {
        ReadSession *session = Handle<ReadSession>(request, vk::arc::kReadMagic);
        if (session == nullptr) return false;
        vk::arc::EventSink sink = vk::arc::SinkFromRequest(*request);
        return vk::arc::ExtractAll(*session, vk::text::View(Text(request, ARC_WORD_DESTINATION)), sink);
    });
}

ARC_API int ArcClose(ArchiveRequest *request) {
    return Guarded([&] {
        ReadSession *session = Handle<ReadSession>(request, vk::arc::kReadMagic);
        if (session == nullptr) return false;
        delete session;
        request->word[ARC_WORD_HANDLE] = 0;
        return true;
    });
}

ARC_API int ArcUnpackedSize(ArchiveRequest *request, uint64_t *entries, uint64_t *bytes) {
    return Guarded([&] {
        const ReadSession *session = Handle<ReadSession>(request, vk::arc::kReadMagic);
        if (session == nullptr || entries == nullptr || bytes == nullptr) return false;
        return vk::arc::DeclaredSize(*session, *entries, *bytes);
    });
}

ARC_API int ArcAddFile(ArchiveRequest *request, const char16_t *name, const char16_t *path) {
    return Guarded([&] {
        WriteSession *session = Handle<WriteSession>(request, vk::arc::kWriteMagic);
        if (session == nullptr || name == nullptr || path == nullptr) return false;
        const auto *cancel = reinterpret_cast<const int32_t *>(request->word[ARC_WORD_CANCEL]);
        return vk::arc::AddFile(*session, vk::text::ToUtf8(vk::text::View(name)), vk::text::View(path), cancel);
    });
}

ARC_API int ArcHasEntry(ArchiveRequest *request, const char16_t *name) {
    return Guarded([&] {
        if (name == nullptr) return false;
        const std::string entry = vk::text::ToUtf8(vk::text::View(name));
        if (WriteSession *writing = Handle<WriteSession>(request, vk::arc::kWriteMagic))
            return vk::arc::HasEntry(*writing, entry);
        if (ReadSession *reading = Handle<ReadSession>(request, vk::arc::kReadMagic))
            return vk::arc::FindEntry(*reading, entry).has_value();
        return false;
    });
}

ARC_API int ArcAddArchive(ArchiveRequest *request, const char16_t *path) {
    return Guarded([&] {
        WriteSession *session = Handle<WriteSession>(request, vk::arc::kWriteMagic);
        if (session == nullptr || path == nullptr) return false;
        return vk::arc::AddArchive(*session, vk::text::View(path));
    });
}

ARC_API int ArcExtractEntry(ArchiveRequest *request, const char16_t *name, const char16_t *path) {
    return Guarded([&] {
        ReadSession *session = Handle<ReadSession>(request, vk::arc::kReadMagic);
        if (session == nullptr || name == nullptr || path == nullptr) return false;
        const auto *cancel = reinterpret_cast<const int32_t *>(request->word[ARC_WORD_CANCEL]);
        return vk::arc::ExtractEntryTo(*session, vk::text::ToUtf8(vk::text::View(name)), vk::text::View(path),
                                       cancel);
    });
}

ARC_API int ArcListEntries(ArchiveRequest *request) {
    return Guarded([&] {
        ReadSession *session = Handle<ReadSession>(request, vk::arc::kReadMagic);
        if (session == nullptr) return false;
        vk::arc::EventSink sink = vk::arc::SinkFromRequest(*request);
        return vk::arc::ListEntries(*session, sink);
    });
}

ARC_API int ArcExtractNamed(ArchiveRequest *request, const char16_t *const *names, int count) {
    return Guarded([&] {
        ReadSession *session = Handle<ReadSession>(request, vk::arc::kReadMagic);
        if (session == nullptr || (names == nullptr && count > 0)) return false;
        std::vector<std::string> list;
        for (int i = 0; i < count; ++i) {
            if (names[i] != nullptr) list.push_back(vk::text::ToUtf8(vk::text::View(names[i])));
        }
        return vk::arc::ExtractNamed(*session, vk::text::View(Text(request, ARC_WORD_DESTINATION)), list);
    });
}

ARC_API ArcAnyProc ArcProcByOrdinal(int ordinal) {
    switch (ordinal) {
    case 2: return reinterpret_cast<ArcAnyProc>(&ArcCreate);
    case 4: return reinterpret_cast<ArcAnyProc>(&ArcFinish);
    case 5: return reinterpret_cast<ArcAnyProc>(&ArcOpen);
    case 6: return reinterpret_cast<ArcAnyProc>(&ArcExtractAll);
    case 7: return reinterpret_cast<ArcAnyProc>(&ArcClose);
    case 8: return reinterpret_cast<ArcAnyProc>(&ArcAddFolder);
    case 9: return reinterpret_cast<ArcAnyProc>(&ArcUnpackedSize);
    case 10: return reinterpret_cast<ArcAnyProc>(&ArcAddFile);
    case 11: return reinterpret_cast<ArcAnyProc>(&ArcHasEntry);
    case 12: return reinterpret_cast<ArcAnyProc>(&ArcAddArchive);
    case 13: return reinterpret_cast<ArcAnyProc>(&ArcExtractEntry);
    case 14: return reinterpret_cast<ArcAnyProc>(&ArcListEntries);
    case 15: return reinterpret_cast<ArcAnyProc>(&ArcExtractNamed);
    default: return nullptr;
    }
}

} // extern "C"
