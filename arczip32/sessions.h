// The library's handles behind word 7 of the request: one archive being
// written (ArcCreate .. ArcFinish) or one archive being read (ArcOpen ..
// ArcClose).
#pragma once

#include <zip.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "arczip32/events.h"
#include "arczip32/spool.h"

namespace vk::arc {

inline constexpr uint32_t kWriteMagic = 0x57435241; // "ARCW"
inline constexpr uint32_t kReadMagic = 0x52435241;  // "ARCR"

struct SessionHeader {
    uint32_t magic = 0;
};

struct WriteSession : SessionHeader {
    std::u16string archive;           // the file to replace at the end
    std::u16string temp;              // the new archive until it is complete
    zip_t *za = nullptr;
    std::u16string spoolFolder;       // with trailing separator; "" until needed
    std::vector<std::unique_ptr<Spool>> spools;
    bool failed = false;              // an ArcAddFolder failed or was cancelled
    uint64_t entries = 0;

    WriteSession() { magic = kWriteMagic; }
    ~WriteSession();
    WriteSession(const WriteSession &) = delete;
    WriteSession &operator=(const WriteSession &) = delete;
};

struct ReadSession : SessionHeader {
    std::u16string archive;
    zip_t *za = nullptr;

    ReadSession() { magic = kReadMagic; }
    ~ReadSession();
    ReadSession(const ReadSession &) = delete;
    ReadSession &operator=(const ReadSession &) = delete;
};

// Writing (zip_writer.cpp).
std::unique_ptr<WriteSession> CreateArchive(std::u16string_view path);
bool AddFolder(WriteSession &session, std::u16string_view folder, EventSink &sink);
// Writes the archive and puts it in place; on any failure (or a set cancel
// flag) discards it and leaves the old file as it was.
bool FinishArchive(WriteSession &session, const int32_t *cancelFlag);

// Reading (zip_reader.cpp).
std::unique_ptr<ReadSession> OpenArchive(std::u16string_view path);
bool ExtractAll(ReadSession &session, std::u16string_view destination, EventSink &sink);
// The number of entries and the sum of their declared uncompressed sizes.
bool DeclaredSize(const ReadSession &session, uint64_t &entries, uint64_t &bytes);

} // namespace vk::arc
