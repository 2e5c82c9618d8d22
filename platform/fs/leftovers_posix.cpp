// Processes for run tags over /proc and kill(pid, 0).
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/fs/runs.h"

namespace vk::fs::runs {

long CurrentProcessId() { return static_cast<long>(::getpid()); }

bool ProcessExists(long pid) { return !(::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH); }

// Field 22 of /proc/<pid>/stat.
unsigned long long ProcessStartTime(long pid) {
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

} // namespace vk::fs::runs
