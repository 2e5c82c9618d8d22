#include "tests/support/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/text/text.h"

namespace vk::test {

TempFolder::~TempFolder() {
    std::error_code ec;
    // Tests may leave read-only files and folders behind; make them writable first.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::remove_all(path_, ec);
}

std::u16string TempFolder::upath() const { return U(path_); }
std::u16string TempFolder::ufile(std::string_view name) const { return U(file(name)); }

std::filesystem::path FsPath(const std::string &utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

void WriteFile(const std::string &path, std::string_view bytes) {
    std::filesystem::create_directories(FsPath(path).parent_path());
    std::ofstream f(FsPath(path), std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string &path) {
    std::ifstream f(FsPath(path), std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

bool FileExists(const std::string &path) { return std::filesystem::exists(FsPath(path)); }

std::map<std::string, std::string> Snapshot(const std::string &root) {
    std::map<std::string, std::string> snapshot;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec); it != std::filesystem::recursive_directory_iterator();
         it.increment(ec)) {
        const std::string relative = std::filesystem::relative(it->path(), root).generic_string();
        const std::filesystem::file_type type = it->symlink_status().type();
        if (type == std::filesystem::file_type::directory) snapshot.emplace(relative, "D");
        else if (type == std::filesystem::file_type::symlink) snapshot.emplace(relative, "L");
        else snapshot.emplace(relative, vk::test::ReadFile(it->path().string()));
    }
    return snapshot;
}

std::string Quote(const std::string &s) {
    std::string quoted = "'";
    for (char c : s) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

std::u16string U(std::string_view s) { return vk::text::FromUtf8(s); }
std::string N(std::u16string_view s) { return vk::text::ToUtf8(s); }

} // namespace vk::test
