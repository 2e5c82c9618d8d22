// Run tags and the removal of what killed runs left behind.
//
// A run that is killed (kill -9, a crash, a power cut) cannot remove its
// temporary files and folders. Their names carry the run's tag, the process
// id and the process's start time, so a later run can tell a leftover of a
// run that is gone from the files of a run that still works: a process id
// that was reused meanwhile has another start time. What this asks of the
// system is in leftovers_posix.cpp / leftovers_win.cpp.
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/fs/runs.h"
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
    if (pid == runs::CurrentProcessId()) return true;
    if (!runs::ProcessExists(pid)) return false;
    // The process id is in use: by the same run unless it started at
    // another time. Without a readable start time it counts as alive.
    const unsigned long long now = runs::ProcessStartTime(pid);
    return now == 0 || now == start;
}

} // namespace

std::u16string RunTag() {
    static const std::u16string tag = [] {
        const long pid = runs::CurrentProcessId();
        return vk::text::FromUtf8(std::to_string(pid) + "-" + std::to_string(runs::ProcessStartTime(pid)));
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
    std::vector<DirEntry> entries;
    if (!ListDirectory(folder.empty() ? std::u16string_view(u".") : folder, entries)) return 0;
    std::vector<std::u16string> gone;
    for (const DirEntry &e : entries) {
        const std::string name = vk::text::ToUtf8(e.name);
        for (const char *prefix : kLeftoverPrefixes) {
            const std::string p = prefix;
            long pid = 0;
            unsigned long long start = 0;
            if (name.compare(0, p.size(), p) != 0 || !ParseTag(name, p.size(), pid, start)) continue;
            if (!Alive(pid, start)) gone.push_back(e.name);
            break;
        }
    }
    int removed = 0;
    std::u16string base(folder);
    if (!base.empty() && !IsSeparator(base.back())) base.push_back(kSep);
    for (const std::u16string &name : gone) {
        // Folders with everything in them; links and files alone (never followed).
        if (RemoveTree(base + name)) ++removed;
    }
    return removed;
}

} // namespace vk::fs
