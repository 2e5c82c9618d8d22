// Run tags on Windows: a tag is "<process id>-<creation time>"; a run is gone
// when its process ended (even while a handle keeps the id from being
// reused) or when the id now belongs to a process created at another time.
// Only the leftovers of runs that are gone are removed.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/text/text.h"
#include "platform/win/win32.h"
#include "tests/support/test_support.h"

using namespace vk::fs;
using vk::test::TempFolder;
using vk::test::U;
using vk::test::WriteFile;

namespace {

// This test program started again, suspended: a live process that does nothing.
struct Sleeper {
    PROCESS_INFORMATION pi{};
    Sleeper() {
        wchar_t self[MAX_PATH];
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring line = L"\"" + std::wstring(self) + L"\" --gtest_list_tests";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        ::CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &si, &pi);
    }
    ~Sleeper() { End(); }
    void End() {
        if (!pi.hProcess) return;
        ::TerminateProcess(pi.hProcess, 1);
        ::WaitForSingleObject(pi.hProcess, INFINITE);
    }
    std::string Tag() const {
        FILETIME created, exited, kernel, user;
        ::GetProcessTimes(pi.hProcess, &created, &exited, &kernel, &user);
        return std::to_string(pi.dwProcessId) + "-" + std::to_string(vk::win::FileTimeValue(created));
    }
    void Close() {
        if (pi.hThread) ::CloseHandle(pi.hThread);
        if (pi.hProcess) ::CloseHandle(pi.hProcess);
        pi = {};
    }
};

std::vector<std::u16string> Names(const std::string &folder) {
    std::vector<DirEntry> entries;
    ListDirectory(U(folder), entries);
    std::vector<std::u16string> names;
    for (const DirEntry &e : entries) names.push_back(e.name);
    return names;
}

} // namespace

TEST(Leftovers, RunTagNamesThisProcessAndItsCreationTime) {
    const std::string tag = vk::text::ToUtf8(RunTag());
    EXPECT_EQ(tag.substr(0, tag.find('-')), std::to_string(::GetCurrentProcessId()));
    EXPECT_TRUE(RunAlive(RunTag()));

    Sleeper sleeper;
    ASSERT_NE(sleeper.pi.hProcess, nullptr);
    const std::string live = sleeper.Tag();
    EXPECT_TRUE(RunAlive(U(live)));
    EXPECT_FALSE(RunAlive(U(live + "1"))); // the id, but another creation time: a reused id
    sleeper.End();
    EXPECT_FALSE(RunAlive(U(live))); // ended, though our handle keeps the id
    sleeper.Close();
    EXPECT_FALSE(RunAlive(U(live)));
    EXPECT_TRUE(RunAlive(u"not-a-tag"));
}

TEST(Leftovers, OnlyThoseOfRunsThatAreGoneAreRemoved) {
    TempFolder tmp;
    Sleeper live, gone;
    ASSERT_NE(live.pi.hProcess, nullptr);
    ASSERT_NE(gone.pi.hProcess, nullptr);
    const std::string liveTag = live.Tag(), goneTag = gone.Tag(), reused = live.Tag() + "7";
    const std::string own = vk::text::ToUtf8(RunTag());
    gone.End();
    for (const std::string &tag : {goneTag, reused}) {
        WriteFile(tmp.file("wtd" + tag + "_Ab12Cd/4001/units.ini"), "[U]");
        WriteFile(tmp.file("arczip" + tag + "_Xy34Zw/spool0"), "spool");
        WriteFile(tmp.file(".~arc" + tag + ".0a1b2c3d.tmp"), "partial archive");
        WriteFile(tmp.file(".vkcopy." + tag + ".0.tmp"), "partial copy");
    }
    // Read-only files inside a work folder go too.
    ASSERT_TRUE(SetReadOnly(U(tmp.file("wtd" + goneTag + "_Ab12Cd/4001/units.ini")), true));
    const std::vector<std::string> kept = {"wtd" + liveTag + "_Ab12Cd", ".~arc" + own + ".99.tmp",
                                           ".vkcopy." + liveTag + ".3.tmp", "wtdAb12Cd", ".vkcopy.123.0.tmp",
                                           "units.ini"};
    for (const std::string &name : kept) WriteFile(tmp.file(name), "x");

    EXPECT_EQ(RemoveLeftovers(U(tmp.path())), 8);
    std::vector<std::u16string> expected;
    for (const std::string &name : kept) expected.push_back(U(name));
    std::vector<DirEntry> sorted;
    for (const std::u16string &name : expected) sorted.push_back(DirEntry{name});
    SortEntries(sorted);
    expected.clear();
    for (const DirEntry &e : sorted) expected.push_back(e.name);
    EXPECT_EQ(Names(tmp.path()), expected);
    EXPECT_EQ(RemoveLeftovers(U(tmp.path())), 0);
}
