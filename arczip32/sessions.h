// The library's handles behind word 7 of the request: one archive being
// written (ArcCreate .. ArcFinish) or one archive being read (ArcOpen ..
// ArcClose).
#pragma once

#include <zip.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "arczip32/entry_pool.h"
#include "arczip32/entry_store.h"
#include "arczip32/events.h"

namespace vk::arc {

inline constexpr uint32_t kWriteMagic = 0x57435241; // "ARCW"
inline constexpr uint32_t kReadMagic = 0x52435241;  // "ARCR"
inline constexpr uint32_t kDamagedEntry = ARC_ERROR_DAMAGED_ENTRY;

struct SessionHeader {
    uint32_t magic = 0;
};

// The archive file itself is only made by ArcFinish: until then the session
// collects its entries (compressed data, folders, entries of other archives).
struct WriteSession : SessionHeader {
    std::u16string archive;           // the file to replace at the end
    std::u16string temp;              // the new archive while ArcFinish writes it
    zip_t *za = nullptr;
    std::vector<zip_t *> sources;     // archives whose entries are copied
    EntryStore store;
    std::deque<PendingEntry> entries; // in archive order (stable addresses)
    EntryPool pool{store};            // stopped before the entries and the store go
    std::unordered_map<std::string, size_t> firstOf; // entry name -> its first entry
    std::unordered_map<std::string, size_t> lastOf;  // entry name -> the entry that counts
    bool failed = false;              // an addition failed or was cancelled

    WriteSession() { magic = kWriteMagic; }
    ~WriteSession();
    WriteSession(const WriteSession &) = delete;
    WriteSession &operator=(const WriteSession &) = delete;
};

struct ReadSession : SessionHeader {
    std::u16string archive;
    zip_t *za = nullptr;
    // Safe entries by their '/'-joined name, and by that name in lower case
    // (made on first use).
    bool indexed = false;
    std::unordered_map<std::string, zip_uint64_t> byName;
    std::unordered_map<std::string, zip_uint64_t> byLowerName;

    ReadSession() { magic = kReadMagic; }
    ~ReadSession();
    ReadSession(const ReadSession &) = delete;
    ReadSession &operator=(const ReadSession &) = delete;
};

// Writing (zip_writer.cpp).
std::unique_ptr<WriteSession> CreateArchive(std::u16string_view path);
bool AddFolder(WriteSession &session, std::u16string_view folder, EventSink &sink);
// Reads the file at `path` now and queues it for compression as entry `name`
// (UTF-8). False, with the platform's last error set, when it cannot be read.
bool AddFile(WriteSession &session, std::string_view name, std::u16string_view path, const int32_t *cancelFlag);
// Takes every entry of the archive at `path`, stored as it is there.
bool AddArchive(WriteSession &session, std::u16string_view path);
bool HasEntry(const WriteSession &session, std::string_view name);
// Writes the archive and puts it in place; on any failure (or a set cancel
// flag) discards it and leaves the old file as it was.
bool FinishArchive(WriteSession &session, const int32_t *cancelFlag);

// Reading (zip_reader.cpp).
std::unique_ptr<ReadSession> OpenArchive(std::u16string_view path);
bool ExtractAll(ReadSession &session, std::u16string_view destination, EventSink &sink);
// Sends the events of an extraction of every entry without writing anything.
bool ListEntries(ReadSession &session, EventSink &sink);
// Unpacks the named entries into `destination` (no events); false when one
// of them exists and cannot be unpacked.
bool ExtractNamed(ReadSession &session, std::u16string_view destination, const std::vector<std::string> &names);
// Unpacks one file entry into a new file at exactly `path`.
bool ExtractEntryTo(ReadSession &session, std::string_view name, std::u16string_view path, const int32_t *cancelFlag);
std::string LowerAscii(std::string_view text);
// The index of a safe file entry of that name (exact, else in any letter case).
std::optional<zip_uint64_t> FindEntry(ReadSession &session, std::string_view name);
// The number of entries and the sum of their declared uncompressed sizes.
bool DeclaredSize(const ReadSession &session, uint64_t &entries, uint64_t &bytes);

} // namespace vk::arc
