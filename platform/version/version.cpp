// File versions: the "TalvernFileInfo" ini key, else the version resource of a
// PE file, parsed from the file itself.
//
// The PE walk reads only what it needs, each read bounds-checked against the
// file: DOS header -> PE header -> section table -> resource directory ->
// RT_VERSION -> VS_VERSIONINFO -> VS_FIXEDFILEINFO. A hostile or truncated
// file ends the walk with "no version", never with a read out of bounds.
#include "platform/version/version.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"

namespace vk::version {

namespace {

constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr uint32_t kRtVersion = 16;
constexpr size_t kMaxVersionResource = 64 * 1024;
constexpr uint32_t kMaxSections = 96 * 16;

// Random access to the bytes of a file or of a buffer.
class Bytes {
public:
    virtual ~Bytes() = default;
    virtual uint64_t Size() const = 0;
    // Reads exactly n bytes at off; false when they are not all there.
    virtual bool Read(uint64_t off, size_t n, void *out) const = 0;

    bool U16(uint64_t off, uint32_t &v) const {
        unsigned char b[2];
        if (!Read(off, 2, b)) return false;
        v = static_cast<uint32_t>(b[0] | (b[1] << 8));
        return true;
    }
    bool U32(uint64_t off, uint32_t &v) const {
        unsigned char b[4];
        if (!Read(off, 4, b)) return false;
        v = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
            (static_cast<uint32_t>(b[3]) << 24);
        return true;
    }
};

class MemoryBytes : public Bytes {
public:
    explicit MemoryBytes(std::string_view data) : data_(data) {}
    uint64_t Size() const override { return data_.size(); }
    bool Read(uint64_t off, size_t n, void *out) const override {
        if (off > data_.size() || n > data_.size() - off) return false;
        std::copy_n(data_.data() + off, n, static_cast<char *>(out));
        return true;
    }

private:
    std::string_view data_;
};

class FileBytes : public Bytes {
public:
    explicit FileBytes(std::u16string_view path) { file_.Open(path); }
    uint64_t Size() const override { return file_.Size(); }
    bool Read(uint64_t off, size_t n, void *out) const override { return file_.ReadAt(off, n, out); }

private:
    vk::fs::File file_;
};

struct Section {
    uint32_t va = 0, virtualSize = 0, rawSize = 0, rawPtr = 0;
};

// File offset of an RVA and the bytes of its section's raw data from there on.
bool MapRva(const std::vector<Section> &sections, uint32_t rva, uint64_t &offset, uint64_t &available) {
    for (const Section &s : sections) {
        const uint64_t span = std::max(s.virtualSize, s.rawSize);
        if (rva < s.va || rva - s.va >= span) continue;
        const uint32_t delta = rva - s.va;
        if (delta >= s.rawSize) return false; // zero-filled in memory, nothing in the file
        offset = static_cast<uint64_t>(s.rawPtr) + delta;
        available = s.rawSize - delta;
        return true;
    }
    return false;
}

// A resource directory entry: child is a directory offset or a data entry
// offset, relative to the resource root.
struct DirEntry {
    uint32_t name = 0;
    uint32_t target = 0;
};

bool ReadEntries(const Bytes &b, uint64_t root, uint64_t limit, uint32_t dirOffset, std::vector<DirEntry> &out) {
    out.clear();
    uint32_t named = 0, ids = 0;
    if (static_cast<uint64_t>(dirOffset) + 16 > limit) return false;
    if (!b.U16(root + dirOffset + 12, named) || !b.U16(root + dirOffset + 14, ids)) return false;
    const uint32_t count = named + ids;
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t at = static_cast<uint64_t>(dirOffset) + 16 + 8ull * i;
        if (at + 8 > limit) break;
        DirEntry e;
        if (!b.U32(root + at, e.name) || !b.U32(root + at + 4, e.target)) break;
        out.push_back(e);
    }
    return !out.empty();
}

constexpr uint32_t kHighBit = 0x80000000u;

bool FixedInfoFromResource(const std::vector<unsigned char> &res, uint32_t &ms, uint32_t &ls) {
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(res[at]) | (static_cast<uint32_t>(res[at + 1]) << 8) |
               (static_cast<uint32_t>(res[at + 2]) << 16) | (static_cast<uint32_t>(res[at + 3]) << 24);
    };
    // VS_VERSIONINFO: wLength, wValueLength, wType, L"VS_VERSION_INFO", padding
    // to 32 bits, then VS_FIXEDFILEINFO.
    static const char16_t kKey[] = u"VS_VERSION_INFO";
    constexpr size_t kKeyBytes = sizeof(kKey); // with the NUL
    size_t at = 0;
    if (res.size() >= 6 + kKeyBytes) {
        bool keyMatches = true;
        for (size_t i = 0; i < kKeyBytes / 2; ++i) {
            const char16_t c = static_cast<char16_t>(res[6 + 2 * i] | (res[7 + 2 * i] << 8));
            if (c != kKey[i]) {
                keyMatches = false;
                break;
            }
        }
        if (keyMatches) at = (6 + kKeyBytes + 3) & ~size_t{3};
    }
    if (at && at + 52 <= res.size() && u32(at) == kFixedSignature) {
        ms = u32(at + 8);
        ls = u32(at + 12);
        return true;
    }
    // Other layouts (older 8-bit version blocks): look for the signature.
    for (size_t p = 0; p + 52 <= res.size(); p += 4) {
        if (u32(p) == kFixedSignature) {
            ms = u32(p + 8);
            ls = u32(p + 12);
            return true;
        }
    }
    return false;
}

bool PeVersion(const Bytes &b, uint32_t &ms, uint32_t &ls) {
    uint32_t v = 0;
    if (!b.U16(0, v) || v != 0x5A4D) return false; // "MZ"
    uint32_t pe = 0;
    if (!b.U32(0x3C, pe)) return false;
    if (!b.U32(pe, v) || v != 0x00004550) return false; // "PE\0\0"
    const uint64_t coff = static_cast<uint64_t>(pe) + 4;
    uint32_t sectionCount = 0, optSize = 0, magic = 0;
    if (!b.U16(coff + 2, sectionCount) || !b.U16(coff + 16, optSize)) return false;
    const uint64_t opt = coff + 20;
    if (!b.U16(opt, magic)) return false;
    uint64_t dirCountAt, dirsAt;
    if (magic == 0x10B) {
        dirCountAt = 92;
        dirsAt = 96;
    } else if (magic == 0x20B) {
        dirCountAt = 108;
        dirsAt = 112;
    } else {
        return false;
    }
    uint32_t dirCount = 0;
    if (dirsAt + 3 * 8 > optSize) return false;
    if (!b.U32(opt + dirCountAt, dirCount) || dirCount < 3) return false;
    uint32_t resRva = 0;
    if (!b.U32(opt + dirsAt + 2 * 8, resRva) || resRva == 0) return false;

    std::vector<Section> sections;
    const uint64_t table = opt + optSize;
    for (uint32_t i = 0; i < sectionCount && i < kMaxSections; ++i) {
        const uint64_t s = table + 40ull * i;
        Section sec;
        if (!b.U32(s + 8, sec.virtualSize) || !b.U32(s + 12, sec.va) || !b.U32(s + 16, sec.rawSize) ||
            !b.U32(s + 20, sec.rawPtr))
            break;
        sections.push_back(sec);
    }
    uint64_t root = 0, limit = 0;
    if (!MapRva(sections, resRva, root, limit)) return false;
    if (root >= b.Size()) return false;
    limit = std::min<uint64_t>(limit, b.Size() - root);

    // Level 1: the type RT_VERSION.
    std::vector<DirEntry> entries;
    if (!ReadEntries(b, root, limit, 0, entries)) return false;
    uint32_t dir = 0;
    bool found = false;
    for (const DirEntry &e : entries) {
        if (e.name == kRtVersion && (e.target & kHighBit)) {
            dir = e.target & ~kHighBit;
            found = true;
            break;
        }
    }
    if (!found) return false;
    // Level 2: the resource (id 1 preferred), level 3: the first language.
    if (!ReadEntries(b, root, limit, dir, entries)) return false;
    const DirEntry *pick = nullptr;
    for (const DirEntry &e : entries)
        if (e.name == 1 && (e.target & kHighBit)) pick = &e;
    for (const DirEntry &e : entries)
        if (!pick && (e.target & kHighBit)) pick = &e;
    if (!pick) return false;
    if (!ReadEntries(b, root, limit, pick->target & ~kHighBit, entries)) return false;
    pick = nullptr;
    for (const DirEntry &e : entries) {
        if (!(e.target & kHighBit)) {
            pick = &e;
            break;
        }
    }
    if (!pick) return false;
    // Data entry: RVA of the data, its size.
    const uint32_t dataEntry = pick->target;
    if (static_cast<uint64_t>(dataEntry) + 8 > limit) return false;
    uint32_t dataRva = 0, dataSize = 0;
    if (!b.U32(root + dataEntry, dataRva) || !b.U32(root + dataEntry + 4, dataSize)) return false;
    uint64_t dataAt = 0, dataAvail = 0;
    if (!MapRva(sections, dataRva, dataAt, dataAvail)) return false;
    uint64_t n = std::min<uint64_t>(std::min<uint64_t>(dataSize, dataAvail), kMaxVersionResource);
    if (dataAt >= b.Size()) return false;
    n = std::min<uint64_t>(n, b.Size() - dataAt);
    std::vector<unsigned char> res(static_cast<size_t>(n));
    if (n && !b.Read(dataAt, res.size(), res.data())) return false;
    return FixedInfoFromResource(res, ms, ls);
}

std::u16string VersionText(uint32_t ms, uint32_t ls) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF);
    return vk::text::FromUtf8(buf);
}

// A field read as an integer: blanks, an optional sign, digits; 0 without digits.
int64_t FieldValue(std::u16string_view f) {
    size_t i = 0;
    while (i < f.size() && (f[i] == u' ' || f[i] == u'\t')) ++i;
    bool negative = false;
    if (i < f.size() && (f[i] == u'+' || f[i] == u'-')) negative = f[i++] == u'-';
    int64_t v = 0;
    while (i < f.size() && f[i] >= u'0' && f[i] <= u'9') {
        if (v < 0x7FFFFFFF) v = v * 10 + (f[i] - u'0');
        ++i;
    }
    if (v > 0x7FFFFFFF) v = 0x7FFFFFFF;
    return negative ? -v : v;
}

} // namespace

uint64_t ParseVersionText(std::u16string_view text) {
    uint64_t result = 0;
    size_t start = 0;
    for (int field = 0; field < 4; ++field) {
        uint64_t part = 0;
        if (start <= text.size()) {
            size_t end = start;
            while (end < text.size() && text[end] != u'.' && text[end] != u',' && text[end] != u'_') ++end;
            // Each part is 16 bits: a larger number is cut to its low 16 bits
            // and never spills into the part above it.
            part = static_cast<uint64_t>(FieldValue(text.substr(start, end - start))) & 0xFFFF;
            start = end + 1;
        }
        result |= part << (48 - 16 * field);
    }
    return result;
}

bool PeVersionTextFromBytes(std::string_view bytes, std::u16string &text) {
    text.clear();
    uint32_t ms = 0, ls = 0;
    if (!PeVersion(MemoryBytes(bytes), ms, ls)) return false;
    text = VersionText(ms, ls);
    return true;
}

bool ReadPeVersionText(std::u16string_view path, std::u16string &text) {
    text.clear();
    uint32_t ms = 0, ls = 0;
    if (!PeVersion(FileBytes(path), ms, ls)) return false;
    text = VersionText(ms, ls);
    return true;
}

uint64_t ReadFileVersion(std::u16string_view path, bool keepCached) {
    const std::u16string file(path);
    std::u16string text;
    // Most files have no version record: they are passed over unparsed.
    if (vk::ini::MayHoldSection(path, "TalvernFileInfo")) {
        char16_t buffer[255] = {};
        vk::ini::GetString(u"TalvernFileInfo", u"TalvernFileVersion", u"", buffer, 255, file.c_str());
        text = buffer;
        // Pending writes reach the disk first, so dropping the cached copy
        // loses nothing.
        if (!keepCached && vk::ini::Flush(file.c_str())) vk::ini::Forget(file.c_str());
    }
    if (text.empty()) ReadPeVersionText(path, text);
    if (text.empty()) return 0;
    return ParseVersionText(text);
}

} // namespace vk::version
