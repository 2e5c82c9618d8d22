// Ini-section items: the copy of one key or one whole section between two
// ini files, the ini items of a backup (IniBk) and of a restore (IniRestore),
// and the export XferIniKey.
#include <memory>
#include <string>
#include <vector>

#include "common/format.h"
#include "common/memory.h"
#include "lib/engine/file_items_internal.h"
#include "lib/engine/ini_items.h"
#include "lib/engine/ini_items_internal.h"
#include "lib/engine/metadata.h"
#include "lib/engine/paths.h"
#include "lib/services/profile.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"

namespace vk::engine {
namespace {

constexpr char16_t kPrintersSection[] = u"Printers";
constexpr char16_t kColorMapsSection[] = u"Color Maps";

struct BlockDeleter {
    void operator()(char16_t *block) const { vk::FreeBlock(block); }
};
using Block = std::unique_ptr<char16_t, BlockDeleter>;

struct KeyValue {
    std::u16string key;
    std::u16string value;
};

// The keys and values of a section, read completely before anything is
// written, so that a copy onto an overlapping section loses nothing.
std::vector<KeyValue> ReadSection(std::u16string_view section, std::u16string_view file) {
    std::vector<KeyValue> entries;
    for (std::u16string &key : ReadIniKeys(section, file)) {
        std::u16string value = ReadIniValue(section, key, file);
        entries.push_back({std::move(key), std::move(value)});
    }
    return entries;
}

// True when two texts name the same file (the same text, or the same file
// reached through another spelling).
bool SameFile(std::u16string_view a, std::u16string_view b) {
    if (a == b) return true;
    vk::fs::FileInfo first, second;
    return vk::fs::Stat(a, first) && vk::fs::Stat(b, second) && first.exists && second.exists &&
           first.inode == second.inode && first.size == second.size && first.mtimeNs == second.mtimeNs;
}

bool WriteValue(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                std::u16string_view file) {
    const std::u16string s(section), k(key), v(value), f(file);
    return vk::lib::ProfileWriteString(s.c_str(), k.c_str(), v.c_str(), f.c_str());
}

bool DeleteSection(std::u16string_view section, std::u16string_view file) {
    const std::u16string s(section), f(file);
    return vk::lib::DeleteIniSection(s.c_str(), f.c_str());
}

// The destination's Printers list gets the source's entry for `printer`
// ("name,driver,port"), or the bare name when the source lists none.
void AddPrinterEntry(std::u16string_view printer, std::u16string_view sourceFile, std::u16string_view destFile) {
    std::u16string entry(printer);
    for (int n = 1; n > 0; ++n) {
        const std::u16string value = ReadNumberedValue(kPrintersSection, n, sourceFile);
        if (value.empty()) break;
        if (vk::text::EqualNoCase(std::u16string_view(value).substr(0, value.find(u',')), printer)) {
            entry = value;
            break;
        }
    }
    AddToNumberedList(kPrintersSection, entry, destFile);
}

} // namespace

std::u16string ReadIniValue(std::u16string_view section, std::u16string_view key, std::u16string_view file) {
    const std::u16string s(section), k(key), f(file);
    Block block(vk::lib::ReadProfileAlloc(s.c_str(), k.c_str(), f.c_str()));
    return block ? std::u16string(block.get()) : std::u16string();
}

std::vector<std::u16string> ReadIniKeys(std::u16string_view section, std::u16string_view file) {
    const std::u16string s(section), f(file);
    Block block(vk::lib::ReadProfileAlloc(s.c_str(), nullptr, f.c_str()));
    std::vector<std::u16string> keys;
    for (const char16_t *name = block.get(); name && *name; name = vk::lib::NextName(name)) keys.emplace_back(name);
    return keys;
}

std::u16string ReadNumberedValue(std::u16string_view section, int n, std::u16string_view file) {
    char16_t key[16];
    vk::FormatBounded(key, 16, u"%d", n);
    return ReadIniValue(section, key, file);
}

void AddToNumberedList(std::u16string_view section, std::u16string_view value, std::u16string_view file) {
    const std::u16string s(section), v(value), f(file);
    vk::lib::AddNumberedEntry(s.c_str(), v.c_str(), f.c_str());
}

int TransferSection(std::u16string_view sourceSection, std::u16string_view destSection, const char16_t *key,
                    std::u16string_view sourceFile, std::u16string_view destFile) {
    if (key) {
        const std::u16string value = ReadIniValue(sourceSection, vk::text::View(key), sourceFile);
        // Nothing to copy: the destination keeps what it had.
        if (value.empty()) return StatusOk;
        return WriteValue(destSection, vk::text::View(key), value, destFile) ? StatusOk : StatusIniFail;
    }
    const std::vector<KeyValue> entries = ReadSection(sourceSection, sourceFile);
    if (entries.empty()) return StatusOk;
    // A section copied onto itself is already what it should be; emptying it
    // first would lose it.
    if (vk::text::EqualNoCase(sourceSection, destSection) && SameFile(sourceFile, destFile)) return StatusOk;
    if (!DeleteSection(destSection, destFile)) return StatusIniFail;
    for (const KeyValue &entry : entries)
        if (!WriteValue(destSection, entry.key, entry.value, destFile)) return StatusIniFail;
    return StatusOk;
}

bool CommitIniWrites(std::u16string_view file) {
    const std::u16string f(file);
    return vk::ini::Flush(f.c_str());
}

int TransferIniItem(int32_t type, std::u16string_view sourceSection, std::u16string_view destSection,
                    const char16_t *key, std::u16string_view sourceFile, const char16_t *destFile,
                    std::u16string &destination) {
    if (destFile && *destFile) {
        destination = destFile;
    } else {
        if (!HasFolder(sourceFile)) return StatusFailed;
        destination = HomeFolder(type) + std::u16string(FileName(sourceFile));
    }
    if (!IsIniSectionType(type)) return StatusInvalidBackupType;
    return TransferSection(sourceSection, destSection, key, sourceFile, destination);
}

int BackupIniItem(BackupJob &job, int32_t type, std::u16string_view sourceSection, std::u16string_view destSection,
                  const char16_t *key, std::u16string_view sourceFile, const char16_t *destFile) {
    std::u16string destination;
    int status = TransferIniItem(type, sourceSection, destSection, key, sourceFile, destFile, destination);
    if (status == StatusFailed || status == StatusInvalidBackupType) return status;
    // The record says what the disk holds.
    if (!CommitIniWrites(destination)) status = StatusIniFail;
    RecordIniResult(job, status, type, destSection, key);
    return status;
}

int RestoreIniItem(BackupJob &job, int32_t type, std::u16string_view section, const char16_t *key,
                   const char16_t *destFile) {
    if (!IsIniSectionType(type)) return StatusInvalidBackupType;
    const std::u16string source = FindWorkEntry(job.workFolder, VK_ITEM_MAIN_INI, kPropertiesIniName);
    const bool destGiven = destFile && *destFile;
    const std::u16string destination =
        destGiven ? std::u16string(destFile) : HomeFolder(VK_ITEM_MAIN_INI) + kPropertiesIniName;

    int status;
    if (!destGiven && !IsAbsolutePath(destination)) {
        // No configuration folder: there is no installed WProperties.ini.
        status = StatusIniFail;
    } else if (type == VK_ITEM_PRINTERS) {
        if (Version7(job)) {
            // Printer settings of a version-7 archive do not fit this version.
            status = StatusSkipOne;
        } else {
            status = TransferSection(section, section, key, source, destination);
            AddPrinterEntry(section, source, destination);
        }
    } else {
        status = TransferSection(section, section, key, source, destination);
        if (type == VK_ITEM_COLOR_MAPS && status == StatusOk && key && *key)
            AddToNumberedList(kColorMapsSection, vk::text::View(key), destination);
    }
    // Restored means on disk: a write that could not be made is a failed item.
    if (status != StatusSkipOne && !CommitIniWrites(destination)) status = StatusIniFail;
    RecordIniResult(job, status, type, section, key);
    return status;
}

} // namespace vk::engine

extern "C" VK_API int XferIniKey(const char16_t *prefix, const char16_t *sourceName, const char16_t *sourceFile,
                                 const char16_t *destName, const char16_t *destFile) {
    using vk::text::View;
    if (!destFile || !*destFile) return 0;
    try {
        vk::ini::Batch batch;
        bool written = true;
        // Section names are built whole: a cut name would be another section.
        const std::u16string sourceSection = std::u16string(View(prefix)) + u"-" + std::u16string(View(sourceName));
        const std::u16string destSection = std::u16string(View(prefix)) + u"-" + std::u16string(View(destName));
        std::vector<std::pair<std::u16string, std::u16string>> entries;
        if (sourceFile && *sourceFile) {
            for (std::u16string &key : vk::engine::ReadIniKeys(sourceSection, View(sourceFile))) {
                std::u16string value = vk::engine::ReadIniValue(sourceSection, key, View(sourceFile));
                if (!value.empty()) entries.emplace_back(std::move(key), std::move(value));
            }
        }
        const std::u16string file(View(destFile));
        written = vk::lib::DeleteIniSection(destSection.c_str(), file.c_str());
        for (const auto &[key, value] : entries) {
            if (!written) break;
            written = vk::lib::ProfileWriteString(destSection.c_str(), key.c_str(), value.c_str(), file.c_str());
        }
        // On disk when the call returns (or, inside a job's call, when that returns).
        if (!batch.Finish()) written = false;
        return written ? 0 : StatusIniFail;
    } catch (...) {
        // No exception crosses the exported interface.
    }
    return StatusIniFail;
}
