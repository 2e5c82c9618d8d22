// Run tags and the removal of what killed runs left behind.
//
// A run that is killed (kill -9, a crash, a power cut) cannot remove its
// temporary files and folders. Their names carry the run's tag, the process
// id and the process's start time, so a later run can tell a leftover of a
// run that is gone from the files of a run that still works: a process id
// that was reused meanwhile has another start time.
#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk::fs {
namespace {

// The kinds of leftovers by the start of their names; the run tag follows.
constexpr const char *kLeftoverPrefixes[] = {
    "wtd",      // work folders of jobs
    "arczip",   // spool folders of the archive library
    ".~arc",    // archives being written
    ".vkcopy.", // copies being made
};

// The start time of a process in clock ticks after boot (field 22 of
// /proc/<pid>/stat); 0 when it cannot be read.
unsigned long long StartTime(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) return 0;
    // The command name (field 2) is in parentheses and may hold anything.
    const size_t close = line.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(line.substr(close + 1));
    std::string field;
    for (int n = 3; n <= 22 && fields >> field; ++n) {
        if (n == 22) return std::strtoull(field.c_str(), nullptr, 10);
    }
    return 0;
}

// Reads "<pid>-<start>" at `at` and the separator after it; false when the
// name holds no tag there.
bool ParseTag(const std::string &name, size_t at, long &pid, unsigned long long &start) {
    size_t i = at;
    const size_t pidStart = i;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9') ++i;
    if (i == pidStart || i - pidStart > 10 || i >= name.size() || name[i] != '-') return false;
    pid = std::strtol(name.c_str() + pidStart, nullptr, 10);
    const size_t startStart = ++i;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9') ++i;
    if (i == startStart || i - startStart > 20 || i >= name.size() || (name[i] != '_' && name[i] != '.')) return false;
    start = std::strtoull(name.c_str() + startStart, nullptr, 10);
    return pid > 0;
}

bool Alive(long pid, unsigned long long start) {
    if (pid == static_cast<long>(::getpid())) return true;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return false;
    // The process id is in use: by the same run unless it started at
    // another time. Without a readable start time it counts as alive.
    const unsigned long long now = StartTime(pid);
    return now == 0 || now == start;
}

} // namespace

std::u16string RunTag() {
    static const std::u16string tag = [] {
        const long pid = static_cast<long>(::getpid());
        return vk::text::FromUtf8(std::to_string(pid) + "-" + std::to_string(StartTime(pid)));
    }();
    return tag;
}

bool RunAlive(std::u16string_view tag) {
    const std::string text = vk::text::ToUtf8(tag) + "_";
    long pid = 0;
    unsigned long long start = 0;
    if (!ParseTag(text, 0, pid, start)) return true; // not a tag: nothing to judge, nothing removed
    return Alive(pid, start);
}

int RemoveLeftovers(std::u16string_view folder) {
    const std::string native = vk::text::ToUtf8(folder);
    DIR *dir = ::opendir(native.empty() ? "." : native.c_str());
    if (!dir) return 0;
    std::vector<std::string> gone;
    while (const struct dirent *e = ::readdir(dir)) {
        const std::string name = e->d_name;
        for (const char *prefix : kLeftoverPrefixes) {
            const std::string p = prefix;
            long pid = 0;
            unsigned long long start = 0;
            if (name.compare(0, p.size(), p) != 0 || !ParseTag(name, p.size(), pid, start)) continue;
            if (!Alive(pid, start)) gone.push_back(name);
            break;
        }
    }
    ::closedir(dir);
    int removed = 0;
    std::string base = native;
    if (!base.empty() && base.back() != '/') base.push_back('/');
    for (const std::string &name : gone) {
        // Folders with everything in them; links and files alone (never followed).
        if (RemoveTree(vk::text::FromUtf8(base + name))) ++removed;
    }
    return removed;
}

} // namespace vk::fs
