#include "arczip32/entry_names.h"

#include <zip.h>

namespace vk::arc {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

} // namespace

EntryPath ParseEntryName(std::string_view name) {
    EntryPath path;
    if (name.empty()) return path;
    if (IsSeparator(name.front())) return path;                          // absolute, UNC
    if (name.size() >= 2 && IsAsciiLetter(name[0]) && name[1] == ':') return path; // drive
    path.directory = IsSeparator(name.back());
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) ++end;
        const std::string_view part = name.substr(start, end - start);
        if (part == "..") return EntryPath{};
        if (!part.empty() && part != ".") path.parts.emplace_back(part);
        start = end + 1;
    }
    if (path.parts.empty()) return EntryPath{};
    path.safe = true;
    return path;
}

std::string JoinEntryPath(const EntryPath &path) {
    std::string joined;
    for (const std::string &part : path.parts) {
        if (!joined.empty()) joined += '/';
        joined += part;
    }
    if (path.directory) joined += '/';
    return joined;
}

bool IsSpecialEntry(uint32_t externalAttributes) {
    const uint32_t type = (externalAttributes >> 16) & kUnixTypeMask;
    return type != 0 && type != kUnixRegular && type != kUnixDirectory;
}

uint32_t FileAttributes(uint32_t permissions) {
    const uint32_t mode = kUnixRegular | (permissions & 0777u);
    const bool readOnly = (permissions & 0200u) == 0;
    return (mode << 16) | (readOnly ? kDosReadOnly : 0u);
}

uint32_t UnpackedPermissions(uint8_t madeBy, uint32_t externalAttributes) {
    if (madeBy != ZIP_OPSYS_UNIX) return 0;
    const uint32_t mode = externalAttributes >> 16;
    const uint32_t type = mode & kUnixTypeMask;
    if (type != 0 && type != kUnixRegular) return 0;
    const uint32_t permissions = mode & 0777u;
    if (permissions == 0) return 0;
    // The owner can always read the unpacked file: it is copied from there.
    return permissions | 0400u;
}

uint32_t FolderAttributes() { return ((kUnixDirectory | 0755u) << 16) | kDosDirectory; }

} // namespace vk::arc
