#include "tests/support/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/text/text.h"

namespace vk::test {

TempFolder::TempFolder() {
    const char *tmp = std::getenv("TMPDIR");
    std::string base = (tmp && *tmp) ? tmp : "/tmp";
    std::string templ = base + "/vktest.XXXXXX";
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    path_ = templ + "/";
}

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

void WriteFile(const std::string &path, std::string_view bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

bool FileExists(const std::string &path) { return std::filesystem::exists(path); }

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

int Shell(const std::string &command, std::string *output) {
    vk::test::TempFolder scratch;
    const std::string out = scratch.file("out.txt");
    const std::string code = scratch.file("code.txt");
    const std::string full = "(" + command + ") > " + Quote(out) + " 2>&1; echo $? > " + Quote(code);
    if (std::system(full.c_str()) == -1) return -1;
    if (output) *output = vk::test::ReadFile(out);
    const std::string text = vk::test::ReadFile(code);
    return text.empty() ? -1 : std::atoi(text.c_str());
}

std::u16string U(std::string_view s) { return vk::text::FromUtf8(s); }
std::string N(std::u16string_view s) { return vk::text::ToUtf8(s); }

} // namespace vk::test
