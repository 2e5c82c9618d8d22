// Helpers shared by the test suites.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace vk::test {

// A fresh folder under the temporary folder, removed when the object dies.
// path() ends with '/'.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;
    const std::string &path() const { return path_; }
    std::u16string upath() const;
    // Path of a name inside the folder.
    std::string file(std::string_view name) const { return path_ + std::string(name); }
    std::u16string ufile(std::string_view name) const;

private:
    std::string path_;
};

// A UTF-8 path as the standard library takes it on both systems (a narrow
// path would go through the ANSI code page on Windows).
std::filesystem::path FsPath(const std::string &utf8);

// Whole-file helpers on narrow (UTF-8) paths.
void WriteFile(const std::string &path, std::string_view bytes);
std::string ReadFile(const std::string &path);
bool FileExists(const std::string &path);

// Every entry below `root` by relative path: a file's bytes, "D" for a
// folder, "L" for a symbolic link (not followed).
std::map<std::string, std::string> Snapshot(const std::string &root);
// Runs a shell command; returns its exit code and, when asked, its output
// (standard output and error together).
int Shell(const std::string &command, std::string *output = nullptr);
// A single-quoted shell word.
std::string Quote(const std::string &s);

// UTF-8 <-> UTF-16 for assertions.
std::u16string U(std::string_view s);
std::string N(std::u16string_view s);

} // namespace vk::test
