// Settings files shared with other processes: writes are on disk when they
// return, nobody's keys are lost when two processes write one file, a file
// has one cache entry whatever the spelling of its path, and a snapshot reads
// one version of a file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "tests/support/test_support.h"

namespace {

using vk::test::ReadFile;
using vk::test::TempFolder;
using vk::test::U;
using vk::test::WriteFile;

std::u16string Key(const std::string &prefix, int i) { return U(prefix + std::to_string(i)); }

// Runs `body` in a child process that ends with _exit(0) (no exit handlers).
template <typename Body> void InChild(Body body) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        body();
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
}

void Append(const std::string &path, const std::string &text) {
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
}

TEST(IniShared, AWriteIsOnDiskWhenItReturnsEvenIfTheProcessDiesRightAfter) {
    TempFolder dir;
    WriteFile(dir.file("a.ini"), "[A]\r\nk=1\r\n");
    const std::u16string file = dir.ufile("a.ini");
    InChild([&] {
        vk::ini::GetInt(u"A", u"k", 0, file.c_str());
        vk::ini::WriteString(u"A", u"k", u"2", file.c_str());
        vk::ini::WriteSection(u"B", u"x=1\0", file.c_str());
        raise(SIGKILL);
    });
    EXPECT_EQ(ReadFile(dir.file("a.ini")), "[A]\r\nk=2\r\n[B]\r\nx=1\r\n");
    InChild([&] {
        {
            vk::ini::Batch batch;
            vk::ini::WriteString(u"A", u"k", u"3", file.c_str());
        }
        _exit(0);
    });
    EXPECT_EQ(ReadFile(dir.file("a.ini")), "[A]\r\nk=3\r\n[B]\r\nx=1\r\n");
    vk::ini::Forget(nullptr);
}

// Another process's change between this process's read and its flush stays:
// another engine's write, or a line the host appended.
TEST(IniShared, ChangesOfOtherProcessesBeforeTheFlushAreKept) {
    TempFolder dir;
    WriteFile(dir.file("a.ini"), "[A]\r\nk=1\r\n");
    const std::u16string file = dir.ufile("a.ini");
    vk::ini::GetInt(u"A", u"k", 0, file.c_str());
    // The other process starts before the batch (a child inherits no batch)
    // and writes when told, between this process's write and its flush.
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char c;
        if (read(go[0], &c, 1) == 1) vk::ini::WriteString(u"A", u"theirs", u"2", file.c_str());
        _exit(0);
    }
    {
        vk::ini::Batch batch;
        ASSERT_TRUE(vk::ini::WriteString(u"A", u"mine", u"1", file.c_str()));
        ASSERT_EQ(write(go[1], "x", 1), 1);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_TRUE(batch.Finish());
    }
    close(go[0]);
    close(go[1]);
    EXPECT_EQ(ReadFile(dir.file("a.ini")), "[A]\r\nk=1\r\ntheirs=2\r\nmine=1\r\n");
    {
        vk::ini::Batch batch;
        ASSERT_TRUE(vk::ini::WriteString(u"Preferences", u"Units", u"Metric", file.c_str()));
        Append(dir.file("a.ini"), "[Host]\r\nadded=1\r\n");
        ASSERT_TRUE(batch.Finish());
    }
    EXPECT_EQ(ReadFile(dir.file("a.ini")),
              "[A]\r\nk=1\r\ntheirs=2\r\nmine=1\r\n[Host]\r\nadded=1\r\n[Preferences]\r\nUnits=Metric\r\n");
    EXPECT_EQ(vk::ini::GetInt(u"Host", u"added", 0, file.c_str()), 1);
    vk::ini::Forget(nullptr);
}

// Two processes writing their own keys of one file at the same time, one
// key per write: every key of both is there at the end.
TEST(IniShared, TwoWritersAtOnceLoseNoKey) {
    TempFolder dir;
    WriteFile(dir.file("a.ini"), "[S]\r\n");
    const std::u16string file = dir.ufile("a.ini");
    constexpr int kKeys = 150;
    vk::ini::GetInt(u"S", u"x", 0, file.c_str()); // both start from a cached copy
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    const std::string who = child == 0 ? "child" : "parent";
    for (int i = 0; i < kKeys; ++i) vk::ini::WriteString(u"S", Key(who, i).c_str(), u"1", file.c_str());
    if (child == 0) _exit(0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    vk::ini::Forget(nullptr);
    for (const char *name : {"child", "parent"})
        for (int i = 0; i < kKeys; ++i)
            ASSERT_EQ(vk::ini::ReadString(u"S", Key(name, i), u"", file), u"1") << name << i;
    vk::ini::Forget(nullptr);
}

TEST(IniShared, AFileReachedByTwoSpellingsIsOneEntry) {
    TempFolder dir;
    ASSERT_EQ(mkdir(dir.file("real").c_str(), 0755), 0);
    ASSERT_EQ(symlink("real", dir.file("linked").c_str()), 0);
    WriteFile(dir.file("real/a.ini"), "[A]\r\n");
    ASSERT_EQ(symlink("a.ini", dir.file("real/b.ini").c_str()), 0);
    const std::u16string spellings[] = {dir.ufile("real/a.ini"), dir.ufile("linked/a.ini"),
                                        dir.ufile("real/b.ini"), dir.ufile("linked/../real/./a.ini")};
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
    EXPECT_EQ(ReadFile(dir.file("real/a.ini")), "[A]\r\nk0=v\r\nk1=v\r\nk2=v\r\nk3=v\r\n");
    struct stat st {};
    ASSERT_EQ(lstat(dir.file("real/b.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    // A file that does not exist yet, named through the linked folder.
    {
        vk::ini::Batch batch;
        ASSERT_TRUE(vk::ini::WriteString(u"N", u"x", u"1", dir.ufile("linked/new.ini").c_str()));
        ASSERT_TRUE(vk::ini::WriteString(u"N", u"y", u"2", dir.ufile("real/new.ini").c_str()));
        ASSERT_TRUE(batch.Finish());
    }
    EXPECT_EQ(ReadFile(dir.file("real/new.ini")), "[N]\r\nx=1\r\ny=2\r\n");
    vk::ini::Forget(nullptr);
}

// A file replaced or deleted through the file layer is read again, whatever
// spelling the cache knew it by and whatever spelling the change used.
TEST(IniShared, AReplacedOrDeletedFileIsReadAgainThroughEverySpelling) {
    TempFolder dir;
    ASSERT_EQ(mkdir(dir.file("real").c_str(), 0755), 0);
    ASSERT_EQ(symlink("real", dir.file("linked").c_str()), 0);
    WriteFile(dir.file("real/a.ini"), "[A]\r\nk=old\r\n");
    ASSERT_EQ(symlink("a.ini", dir.file("real/alias.ini").c_str()), 0);
    EXPECT_EQ(vk::ini::ReadString(u"A", u"k", u"", dir.ufile("real/a.ini")), u"old");
    // Renamed over it through the linked folder.
    WriteFile(dir.file("real/new.tmp"), "[A]\r\nk=new\r\n");
    ASSERT_TRUE(vk::fs::MoveFile(dir.ufile("linked/new.tmp"), dir.ufile("linked/a.ini")));
    EXPECT_EQ(vk::ini::ReadString(u"A", u"k", u"", dir.ufile("real/a.ini")), u"new");
    EXPECT_EQ(vk::ini::ReadString(u"A", u"k", u"", dir.ufile("real/alias.ini")), u"new");
    // Replaced once more, the cache knowing it through the link of another name.
    WriteFile(dir.file("real/newer.tmp"), "[A]\r\nk=newer\r\n");
    ASSERT_TRUE(vk::fs::MoveFile(dir.ufile("real/newer.tmp"), dir.ufile("real/a.ini")));
    EXPECT_EQ(vk::ini::ReadString(u"A", u"k", u"", dir.ufile("real/alias.ini")), u"newer");
    // Deleted: nothing pending brings it back, its keys are gone.
    ASSERT_TRUE(vk::fs::DeleteFile(dir.ufile("real/a.ini")));
    EXPECT_EQ(vk::ini::ReadString(u"A", u"k", u"gone", dir.ufile("linked/a.ini")), u"gone");
    vk::ini::Forget(nullptr);
}

std::string Utf16Le(const std::u16string &s) {
    std::string out;
    for (char16_t c : s) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

// A stray byte at the end of a UTF-16 file stays last; what is written
// before it keeps its units in step.
TEST(IniShared, AUtf16FileWithAStrayByteStaysInStep) {
    TempFolder dir;
    const std::string bom("\xFF\xFE");
    WriteFile(dir.file("a.ini"), bom + Utf16Le(u"[A]\r\nk=1\r\n") + "\x41");
    const std::u16string file = dir.ufile("a.ini");
    ASSERT_TRUE(vk::ini::WriteString(u"B", u"n", u"\u00e9", file.c_str()));
    ASSERT_TRUE(vk::ini::WriteString(u"A", u"k", u"2", file.c_str()));
    EXPECT_EQ(ReadFile(dir.file("a.ini")), bom + Utf16Le(u"[A]\r\nk=2\r\n[B]\r\nn=\u00e9\r\n") + "\x41");
    vk::ini::Forget(nullptr);
    EXPECT_EQ(vk::ini::ReadString(u"A", u"k", u"", file), u"2");
    EXPECT_EQ(vk::ini::ReadString(u"B", u"n", u"", file), u"\u00e9");
    // A last line without its end, then the stray byte.
    WriteFile(dir.file("c.ini"), bom + Utf16Le(u"[A]\r\nk=1") + std::string(1, '\0'));
    const std::u16string c = dir.ufile("c.ini");
    ASSERT_TRUE(vk::ini::WriteString(u"A", u"m", u"3", c.c_str()));
    EXPECT_EQ(ReadFile(dir.file("c.ini")), bom + Utf16Le(u"[A]\r\nk=1\r\nm=3\r\n") + std::string(1, '\0'));
    vk::ini::Forget(nullptr);
}

// Reads under a snapshot see the file as it was when it was taken, however
// often another process replaces it meanwhile.
TEST(IniShared, ASnapshotReadsOneVersion) {
    TempFolder dir;
    WriteFile(dir.file("a.ini"), "[A]\r\nx=1\r\ny=1\r\n");
    const std::u16string file = dir.ufile("a.ini");
    auto replace = [&](int n) {
        const std::string v = std::to_string(n);
        WriteFile(dir.file("b.ini"), "[A]\r\nx=" + v + "\r\ny=" + v + "\r\n");
        ASSERT_EQ(std::rename(dir.file("b.ini").c_str(), dir.file("a.ini").c_str()), 0);
    };
    {
        vk::ini::Snapshot snapshot(file);
        EXPECT_EQ(vk::ini::GetInt(u"A", u"x", 0, file.c_str()), 1);
        replace(2);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_EQ(vk::ini::GetInt(u"A", u"y", 0, file.c_str()), 1);
    }
    EXPECT_EQ(vk::ini::GetInt(u"A", u"y", 0, file.c_str()), 2);
    vk::ini::Forget(nullptr);
}

// A snapshot holds the file as it is on disk when it is taken, even when the
// file was looked at a moment before: a version that another process renamed
// into place just then (or the file created just then) is what it reads, and
// never the older version or an empty document for as long as it is held.
TEST(IniShared, ASnapshotTakesTheFileAsItIsWhenTaken) {
    TempFolder dir;
    const std::u16string file = dir.ufile("a.ini");
    auto replace = [&](int n) {
        const std::string v = std::to_string(n);
        WriteFile(dir.file("b.ini"), "[A]\r\nx=" + v + "\r\n");
        // Old time stamps: the file does not look recently changed.
        const struct timespec old[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, dir.file("b.ini").c_str(), old, 0), 0);
        ASSERT_EQ(std::rename(dir.file("b.ini").c_str(), dir.file("a.ini").c_str()), 0);
    };
    for (int round = 0; round < 20; ++round) {
        // Missing when looked at, created right after.
        EXPECT_EQ(vk::ini::GetInt(u"A", u"x", -1, file.c_str()), -1);
        replace(round * 2 + 1);
        {
            vk::ini::Snapshot snapshot(file);
            EXPECT_EQ(vk::ini::GetInt(u"A", u"x", -1, file.c_str()), round * 2 + 1) << round;
        }
        // One version looked at, the next renamed over it right after.
        replace(round * 2 + 2);
        {
            vk::ini::Snapshot snapshot(file);
            EXPECT_EQ(vk::ini::GetInt(u"A", u"x", -1, file.c_str()), round * 2 + 2) << round;
        }
        ASSERT_EQ(::unlink(dir.file("a.ini").c_str()), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    vk::ini::Forget(nullptr);
}

} // namespace
