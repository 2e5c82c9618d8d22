#include "arczip32/folder_scan.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "platform/text/text.h"

namespace vk::arc {

namespace fs = std::filesystem;

namespace {

// File names as valid UTF-8 (an invalid byte becomes U+FFFD).
std::string Utf8Name(const fs::path &name) {
    const std::u8string raw = name.u8string();
    return vk::text::ToUtf8(vk::text::FromUtf8(std::string_view(reinterpret_cast<const char *>(raw.data()), raw.size())));
}

int64_t UnixSeconds(fs::file_time_type time) {
    const auto sys = std::chrono::file_clock::to_sys(time);
    return std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count();
}

struct Child {
    fs::path path;
    std::string name;
    fs::file_type type;
};

struct Walk {
    fs::path skip;
    std::string skipName;
    std::vector<SourceItem> *items;
};

bool ScanInto(const fs::path &dir, const std::string &prefix, Walk &walk) {
    std::vector<SourceItem> &items = *walk.items;
    std::error_code ec;
    std::vector<Child> children;
    fs::directory_iterator it(dir, ec);
    if (ec) return false;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) return false;
        const fs::file_type type = it->symlink_status(ec).type();
        if (ec) {
            if (ec == std::errc::no_such_file_or_directory) continue; // vanished meanwhile
            return false;
        }
        if (type != fs::file_type::regular && type != fs::file_type::directory) continue;
        if (type == fs::file_type::regular && it->path().filename() == walk.skipName &&
            fs::equivalent(it->path(), walk.skip, ec))
            continue;
        children.push_back(Child{it->path(), Utf8Name(it->path().filename()), type});
    }
    if (ec) return false;
    std::sort(children.begin(), children.end(), [](const Child &a, const Child &b) { return a.name < b.name; });

    for (const Child &child : children) {
        const std::string name = prefix + child.name;
        if (child.type == fs::file_type::directory) {
            const size_t before = items.size();
            if (!ScanInto(child.path, name + "/", walk)) return false;
            if (items.size() != before) continue;
        }
        SourceItem item;
        item.path = child.path;
        item.name = name;
        item.directory = child.type == fs::file_type::directory;
        item.eventName = vk::text::FromUtf8(item.directory ? name + "/" : name);
        const fs::file_time_type time = fs::last_write_time(child.path, ec);
        item.mtime = ec ? 0 : UnixSeconds(time);
        const fs::file_status status = fs::symlink_status(child.path, ec);
        if (!ec) item.permissions = static_cast<uint32_t>(status.permissions() & fs::perms::mask) & 0777u;
        if (!item.directory) {
            item.size = fs::file_size(child.path, ec);
            if (ec == std::errc::no_such_file_or_directory) continue; // vanished meanwhile
            if (ec) return false;
        }
        items.push_back(std::move(item));
    }
    return true;
}

} // namespace

bool ScanFolder(const fs::path &folder, const fs::path &skip, std::vector<SourceItem> &items) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return false;
    Walk walk{skip, skip.filename().string(), &items};
    return ScanInto(folder, std::string(), walk);
}

} // namespace vk::arc
