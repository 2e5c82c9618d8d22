// Settings files shared with other processes on Windows: a write is on disk
// when it returns even if the process is killed right after, two processes
// writing one file lose no key (the folder lock is a named mutex), and every
// spelling of a file's path (letter case, '\', "..") reaches one cache entry
// and the file keeps the name it has on disk.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/ini/ini_cache.h"
#include "platform/ini/ini_lock.h"
#include "platform/win/win32.h"
#include "tests/support/test_support.h"

namespace {

using vk::test::ReadFile;
using vk::test::TempFolder;
using vk::test::U;
using vk::test::WriteFile;

constexpr wchar_t kChildTask[] = L"VAULTKEEP_INI_CHILD";

std::u16string Key(const std::string &prefix, int i) { return U(prefix + std::to_string(i)); }

// The child side of the tests below: this program started again with
// "<what> <keys> <file>" in VAULTKEEP_INI_CHILD does its writes and ends
// before any test runs. "kill": one write, then the process is terminated,
// so nothing of its own exit runs. "write": one key per write.
const bool g_child = [] {
    wchar_t task[2048];
    const DWORD n = ::GetEnvironmentVariableW(kChildTask, task, 2048);
    if (n == 0 || n >= 2048) return false;
    const std::wstring line(task, n);
    const size_t a = line.find(L' '), b = line.find(L' ', a + 1);
    const std::wstring what = line.substr(0, a);
    const int keys = std::stoi(line.substr(a + 1, b - a - 1));
    const std::u16string file = vk::win::FromWide(line.substr(b + 1));
    if (what == L"kill") {
        vk::ini::WriteString(u"A", u"k", u"3", file.c_str());
        ::TerminateProcess(::GetCurrentProcess(), 9);
    }
    for (int i = 0; i < keys; ++i) vk::ini::WriteString(u"S", Key("child", i).c_str(), u"1", file.c_str());
    ::ExitProcess(0);
}();

// Starts this program as the child with its task; the process handle.
HANDLE StartChild(const std::string &what, int keys, const std::u16string &file) {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring task = vk::win::Wide(U(what + " " + std::to_string(keys) + " ")) + vk::win::Wide(file);
    ::SetEnvironmentVariableW(kChildTask, task.c_str());
    std::wstring line = L"\"" + std::wstring(self) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const BOOL started = ::CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    ::SetEnvironmentVariableW(kChildTask, nullptr);
    if (!started) return nullptr;
    ::CloseHandle(pi.hThread);
    return pi.hProcess;
}

DWORD WaitFor(HANDLE process) {
    ::WaitForSingleObject(process, 120'000);
    DWORD code = 0;
    ::GetExitCodeProcess(process, &code);
    ::CloseHandle(process);
    return code;
}

} // namespace

TEST(IniShared, AWriteIsOnDiskWhenItReturnsEvenIfTheProcessIsKilled) {
    ASSERT_FALSE(g_child);
    TempFolder dir;
    WriteFile(dir.file("a.ini"), "[A]\r\nk=1\r\n[B]\r\nx=1\r\n");
    HANDLE child = StartChild("kill", 0, dir.ufile("a.ini"));
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(WaitFor(child), 9u);
    EXPECT_EQ(ReadFile(dir.file("a.ini")), "[A]\r\nk=3\r\n[B]\r\nx=1\r\n");
}

// Both processes write their own keys, one key per write, at the same time.
TEST(IniShared, TwoWritersAtOnceLoseNoKey) {
    TempFolder dir;
    WriteFile(dir.file("a.ini"), "[S]\r\n");
    const std::u16string file = dir.ufile("a.ini");
    constexpr int kKeys = 120;
    vk::ini::GetInt(u"S", u"x", 0, file.c_str()); // this side starts from a cached copy
    HANDLE child = StartChild("write", kKeys, file);
    ASSERT_NE(child, nullptr);
    for (int i = 0; i < kKeys; ++i) ASSERT_TRUE(vk::ini::WriteString(u"S", Key("parent", i).c_str(), u"1", file.c_str()));
    EXPECT_EQ(WaitFor(child), 0u);
    vk::ini::Forget(nullptr);
    for (const char *name : {"child", "parent"})
        for (int i = 0; i < kKeys; ++i)
            ASSERT_EQ(vk::ini::ReadString(u"S", Key(name, i), u"", file), u"1") << name << i;
    vk::ini::Forget(nullptr);
}

// While this process holds the folder's lock, another process's write into
// that folder waits; it lands once the lock is let go.
TEST(IniShared, AnotherProcessWaitsForTheFolderLock) {
    TempFolder dir;
    WriteFile(dir.file("a.ini"), "[S]\r\n");
    const std::string file = vk::ini::detail::Canonical(dir.ufile("a.ini"));
    HANDLE child = nullptr;
    {
        vk::ini::detail::FolderLock lock(file.substr(0, file.rfind('/')));
        ASSERT_TRUE(lock.Held());
        child = StartChild("write", 1, dir.ufile("A.INI"));
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(::WaitForSingleObject(child, 1500), static_cast<DWORD>(WAIT_TIMEOUT));
        EXPECT_EQ(ReadFile(dir.file("a.ini")), "[S]\r\n");
    }
    EXPECT_EQ(WaitFor(child), 0u);
    EXPECT_EQ(ReadFile(dir.file("a.ini")), "[S]\r\nchild0=1\r\n");
}

TEST(IniShared, EverySpellingOfAFileIsOneEntryAndTheNameOnDiskStays) {
    TempFolder dir;
    ASSERT_TRUE(vk::fs::CreateDirectory(dir.ufile("Real")));
    WriteFile(dir.file("Real/Units.ini"), "[A]\r\n");
    std::u16string backslashed = dir.ufile("real\\units.INI");
    const std::u16string spellings[] = {dir.ufile("Real/Units.ini"), dir.ufile("REAL/UNITS.INI"), backslashed,
                                        dir.ufile("Real/Sub/../units.ini")};
    const uint64_t parsed = vk::ini::ParseCount();
    {
        vk::ini::Batch batch;
        int n = 0;
        for (const std::u16string &file : spellings)
            ASSERT_TRUE(vk::ini::WriteString(u"A", Key("k", n++).c_str(), u"v", file.c_str()));
        for (const std::u16string &file : spellings) EXPECT_EQ(vk::ini::ReadString(u"A", u"k0", u"", file), u"v");
        ASSERT_TRUE(batch.Finish());
    }
    EXPECT_EQ(vk::ini::ParseCount() - parsed, 1u);
    EXPECT_EQ(ReadFile(dir.file("Real/Units.ini")), "[A]\r\nk0=v\r\nk1=v\r\nk2=v\r\nk3=v\r\n");
    // A file that does not exist yet, named two ways: one file, named as
    // first written.
    {
        vk::ini::Batch batch;
        ASSERT_TRUE(vk::ini::WriteString(u"N", u"x", u"1", dir.ufile("Real/New.ini").c_str()));
        ASSERT_TRUE(vk::ini::WriteString(u"N", u"y", u"2", dir.ufile("REAL/NEW.INI").c_str()));
        ASSERT_TRUE(batch.Finish());
    }
    std::vector<vk::fs::DirEntry> entries;
    ASSERT_TRUE(vk::fs::ListDirectory(dir.ufile("Real"), entries));
    std::vector<std::u16string> names;
    for (const vk::fs::DirEntry &e : entries) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"New.ini", u"Units.ini"}));
    EXPECT_EQ(ReadFile(dir.file("Real/New.ini")), "[N]\r\nx=1\r\ny=2\r\n");
    vk::ini::Forget(nullptr);
}
