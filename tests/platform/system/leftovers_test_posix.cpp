// Run tags and the removal of leftovers: what runs that are gone left behind
// is removed, nothing of a run that still works, nothing without a run tag,
// and nothing outside the folder (links are removed, never followed).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/fs/fs.h"
#include "platform/text/text.h"
#include "tests/support/test_support.h"

using namespace vk::fs;
using vk::test::ReadFile;
using vk::test::TempFolder;
using vk::test::U;
using vk::test::WriteFile;

namespace {

namespace fsys = std::filesystem;

// The start time of a process as the run tag spells it (field 22 of its stat).
std::string StartOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    std::istringstream fields(line.substr(line.rfind(')') + 1));
    std::string field;
    for (int n = 3; n <= 22; ++n) fields >> field;
    return field;
}

// A child process that sleeps until it is killed.
struct Sleeper {
    pid_t pid = -1;
    Sleeper() {
        pid = ::fork();
        if (pid == 0) {
            ::pause();
            ::_exit(0);
        }
    }
    ~Sleeper() {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
};

// A process id that belonged to a process that has ended.
pid_t GonePid() {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

} // namespace

TEST(Leftovers, RunTagNamesThisProcessAndItsStart) {
    const std::string tag = vk::text::ToUtf8(RunTag());
    EXPECT_EQ(tag, std::to_string(::getpid()) + "-" + StartOf(::getpid()));
    EXPECT_TRUE(RunAlive(RunTag()));
    Sleeper sleeper;
    ASSERT_GT(sleeper.pid, 0);
    const std::string start = StartOf(sleeper.pid);
    EXPECT_TRUE(RunAlive(U(std::to_string(sleeper.pid) + "-" + start)));
    // The same process id with another start time: the id was reused.
    EXPECT_FALSE(RunAlive(U(std::to_string(sleeper.pid) + "-" + start + "1")));
    EXPECT_FALSE(RunAlive(U(std::to_string(GonePid()) + "-1")));
}

TEST(Leftovers, OnlyThoseOfRunsThatAreGoneAreRemoved) {
    TempFolder tmp;
    TempFolder elsewhere;
    WriteFile(elsewhere.file("keep.txt"), "keep");
    Sleeper sleeper;
    ASSERT_GT(sleeper.pid, 0);
    const std::string gone = std::to_string(GonePid()) + "-12345";
    const std::string live = std::to_string(sleeper.pid) + "-" + StartOf(sleeper.pid);
    const std::string reused = std::to_string(sleeper.pid) + "-" + StartOf(sleeper.pid) + "7";
    const std::string own = vk::text::ToUtf8(RunTag());

    // Leftovers of the run that is gone, and of the one whose id was reused.
    for (const std::string &tag : {gone, reused}) {
        WriteFile(tmp.file("wtd" + tag + "_Ab12Cd/4001/units.ini"), "[U]");
        WriteFile(tmp.file("arczip" + tag + "_Xy34Zw/spool0"), "spool");
        WriteFile(tmp.file(".~arc" + tag + ".0a1b2c3d.tmp"), "partial archive");
        WriteFile(tmp.file(".vkcopy." + tag + ".0.17.tmp"), "partial copy");
    }
    // A link named like a leftover goes, the folder it points at stays.
    fsys::create_directory_symlink(elsewhere.path(), tmp.file("wtd" + gone + "_link"));
    // Files of live runs, files without a run tag, other files, and leftovers
    // one folder down stay.
    const std::vector<std::string> kept = {
        "wtd" + live + "_Ab12Cd/Backup.why", "arczip" + own + "_Qq11Rr/spool0", ".~arc" + live + ".99.tmp",
        ".vkcopy." + own + ".3.5.tmp",       "wtdAb12Cd/Backup.why",             "arczipXy34Zw/spool0",
        ".~arc0a1b2c3d.tmp",                 ".vkcopy.123.0.17.tmp",             "wtd-12-34_x",
        "units.ini",                         "sub/wtd" + gone + "_Ab12Cd/x",
    };
    for (const std::string &name : kept) WriteFile(tmp.file(name), "x");

    EXPECT_EQ(RemoveLeftovers(U(tmp.path())), 9);

    std::vector<std::string> left;
    for (const auto &e : fsys::recursive_directory_iterator(tmp.path())) {
        if (e.is_regular_file()) left.push_back(fsys::relative(e.path(), tmp.path()).string());
    }
    std::sort(left.begin(), left.end());
    std::vector<std::string> expected = kept;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
    EXPECT_EQ(ReadFile(elsewhere.file("keep.txt")), "keep");
    EXPECT_EQ(RemoveLeftovers(U(tmp.path())), 0);
    EXPECT_EQ(RemoveLeftovers(U(tmp.file("missing/"))), 0);
}
