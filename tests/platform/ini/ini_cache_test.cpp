// The cache: parsed once while unchanged, changes on disk seen, writes
// flushed on time and at exit, failures reported and nothing lost or torn.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "tests/support/test_support.h"

namespace {

using vk::test::ReadFile;
using vk::test::TempFolder;
using vk::test::U;
using vk::test::WriteFile;

std::u16string Key(int i) { return U("k" + std::to_string(i)); }

int CountTemps(const std::string &folder) {
    int n = 0;
    if (DIR *d = opendir(folder.c_str())) {
        while (const dirent *e = readdir(d))
            if (std::string(e->d_name).find(".vktmp") != std::string::npos) ++n;
        closedir(d);
    }
    return n;
}

TEST(IniCache, ParsesOnceWhileUnchanged) {
    TempFolder dir;
    WriteFile(dir.file("a.ini"), "[A]\r\nk=1\r\n");
    const std::u16string file = dir.ufile("a.ini");
    std::this_thread::sleep_for(std::chrono::milliseconds(30)); // past the time stamps' resolution
    const uint64_t before = vk::ini::ParseCount();
    for (int i = 0; i < 100; ++i) EXPECT_EQ(vk::ini::GetInt(u"A", u"k", 0, file.c_str()), 1);
    // The same file by another spelling of its path is the same entry.
    const std::u16string other = dir.upath() + u"./x/../a.ini";
    EXPECT_EQ(vk::ini::GetInt(u"A", u"k", 0, other.c_str()), 1);
    EXPECT_EQ(vk::ini::ParseCount() - before, 1u);
    vk::ini::Forget(file.c_str());
}

TEST(IniCache, ManyFilesReadOnceDoNotPileUpButPendingWritesStay) {
    TempFolder dir;
    // The pending write must still be pending when f0 is read again below.
    vk::ini::Batch batch;
    const std::u16string first = dir.ufile("f0.ini");
    WriteFile(dir.file("f0.ini"), "[A]\r\nk=0\r\n");
    ASSERT_TRUE(vk::ini::WriteString(u"A", u"k", u"pending", first.c_str()));
    const uint64_t before = vk::ini::ParseCount();
    for (int i = 1; i <= 100; ++i) {
        WriteFile(dir.file("f" + std::to_string(i) + ".ini"), "[A]\r\nk=" + std::to_string(i) + "\r\n");
        EXPECT_EQ(vk::ini::GetInt(u"A", u"k", -1, dir.ufile("f" + std::to_string(i) + ".ini").c_str()), i);
    }
    EXPECT_EQ(vk::ini::ReadString(u"A", u"k", u"", first), u"pending"); // still cached, not read again
    EXPECT_EQ(vk::ini::GetInt(u"A", u"k", -1, dir.ufile("f1.ini").c_str()), 1); // dropped long ago: read again
    EXPECT_EQ(vk::ini::ParseCount() - before, 101u);
    EXPECT_EQ(ReadFile(dir.file("f0.ini")), "[A]\r\nk=0\r\n");
    ASSERT_TRUE(batch.Finish());
    EXPECT_EQ(ReadFile(dir.file("f0.ini")), "[A]\r\nk=pending\r\n");
    vk::ini::Forget(nullptr);
}

TEST(IniCache, SeesRewritesThatKeepSizeInodeAndTime) {
    TempFolder dir;
    const std::string path = dir.file("a.ini");
    const std::u16string file = dir.ufile("a.ini");
    // Coarse time stamps: a rewrite in the same clock tick keeps the write time.
    struct timespec times[2] {};
    clock_gettime(CLOCK_REALTIME, &times[1]);
    times[1].tv_sec += 5;
    times[0] = times[1];
    for (int i = 0; i < 5; ++i) {
        WriteFile(path, "[A]\r\nk=" + std::to_string(i) + "\r\n"); // in place: same inode, same size
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        ASSERT_EQ(vk::ini::GetInt(u"A", u"k", -1, file.c_str()), i);
    }
    std::remove(path.c_str());
    EXPECT_EQ(vk::ini::GetInt(u"A", u"k", -1, file.c_str()), -1);
    vk::ini::Forget(file.c_str());
}

// A file another process changed while writes were pending keeps that
// change, and the pending writes are made on top of it.
TEST(IniCache, AFileChangedOnDiskKeepsBothChanges) {
    TempFolder dir;
    WriteFile(dir.file("a.ini"), "[A]\r\nk=1\r\n");
    const std::u16string file = dir.ufile("a.ini");
    vk::ini::Batch batch;
    ASSERT_TRUE(vk::ini::WriteString(u"A", u"k", u"2", file.c_str()));
    ASSERT_TRUE(vk::ini::WriteString(u"B", u"n", u"3", file.c_str()));
    // Replaced behind the engine's back after the writes.
    WriteFile(dir.file("b.ini"), "[A]\r\nk=5\r\nother=1\r\n");
    ASSERT_EQ(std::rename(dir.file("b.ini").c_str(), dir.file("a.ini").c_str()), 0);
    ASSERT_TRUE(batch.Finish());
    EXPECT_EQ(ReadFile(dir.file("a.ini")), "[A]\r\nk=2\r\nother=1\r\n[B]\r\nn=3\r\n");
    vk::ini::Forget(file.c_str());
}

TEST(IniCache, WritesOutsideABatchAreOnDiskAtOnceAndBatchesWriteOnceAtTheEnd) {
    TempFolder dir;
    WriteFile(dir.file("a.ini"), "[A]\r\n");
    const std::u16string file = dir.ufile("a.ini");
    ASSERT_TRUE(vk::ini::WriteString(u"A", u"k", u"1", file.c_str()));
    EXPECT_EQ(ReadFile(dir.file("a.ini")), "[A]\r\nk=1\r\n");
    vk::fs::ResetFaults();
    {
        vk::ini::Batch outer;
        {
            vk::ini::Batch inner;
            for (int i = 0; i < 100; ++i) ASSERT_TRUE(vk::ini::WriteString(u"A", Key(i).c_str(), u"v", file.c_str()));
            EXPECT_TRUE(inner.Finish()); // the inner batch leaves the writing to the outer one
        }
        EXPECT_EQ(ReadFile(dir.file("a.ini")), "[A]\r\nk=1\r\n");
        EXPECT_EQ(vk::ini::ReadString(u"A", u"k99", u"", file), u"v");
        EXPECT_TRUE(outer.Finish());
    }
    EXPECT_EQ(vk::fs::CallCount(vk::fs::Op::Rename), 1); // one replacement for 100 writes
    const std::string after = ReadFile(dir.file("a.ini"));
    EXPECT_EQ(std::count(after.begin(), after.end(), '\n'), 102);
    vk::ini::Forget(file.c_str());
}

// A job's work folder is thrown away with the job: its records file is on
// disk when each call returns, like any other, but the calls do not wait for
// the disk to sync it.
TEST(IniCache, ScratchFolderFilesWaitForAReaderAndAreNotSynced) {
    TempFolder dir;
    ::mkdir(dir.file("work").c_str(), 0700);
    WriteFile(dir.file("work/Backup.why"), "[Talvern Backup Utility]\r\n");
    WriteFile(dir.file("settings.ini"), "[A]\r\n");
    const std::u16string records = dir.ufile("work/Backup.why");
    const std::u16string settings = dir.ufile("settings.ini");
    vk::ini::SetScratchFolder(dir.ufile("work"), true);
    vk::fs::ResetFaults();
    for (int i = 0; i < 50; ++i) {
        vk::ini::Batch call;
        ASSERT_TRUE(vk::ini::WriteString(u"FileBk", Key(i).c_str(), u"0", records.c_str()));
        ASSERT_TRUE(vk::ini::WriteString(u"A", Key(i).c_str(), u"v", settings.c_str()));
        ASSERT_TRUE(call.Finish());
        // The settings file is on disk at once; the records wait, but the
        // engine reads them as they are.
        ASSERT_NE(ReadFile(dir.file("settings.ini")).find("k" + std::to_string(i) + "=v\r\n"), std::string::npos);
        ASSERT_EQ(vk::ini::ReadString(u"FileBk", Key(i), u"", records), u"0");
    }
    EXPECT_EQ(ReadFile(dir.file("work/Backup.why")), "[Talvern Backup Utility]\r\n");
    EXPECT_EQ(vk::fs::CallCount(vk::fs::Op::Rename), 50);
    EXPECT_EQ(vk::fs::CallCount(vk::fs::Op::Flush), 50); // the settings file only
    // Before the archiver reads the folder: written once, not synced.
    ASSERT_TRUE(vk::ini::FlushBeforeFileRead(dir.ufile("work")));
    const std::string now = ReadFile(dir.file("work/Backup.why"));
    EXPECT_EQ(std::count(now.begin(), now.end(), '\n'), 52);
    EXPECT_EQ(vk::fs::CallCount(vk::fs::Op::Rename), 51);
    EXPECT_EQ(vk::fs::CallCount(vk::fs::Op::Flush), 50);
    vk::ini::ForgetUnder(dir.ufile("work"));
    vk::ini::SetScratchFolder(dir.ufile("work"), false);
    vk::ini::Forget(settings.c_str());
}

TEST(IniCache, PendingWritesReachTheDiskAtExit) {
    TempFolder dir;
    WriteFile(dir.file("a.ini"), "[A]\r\n");
    const std::u16string file = dir.ufile("a.ini");
    vk::ini::GetInt(u"A", u"k", 0, file.c_str()); // cached in the parent as well
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto *batch = new vk::ini::Batch; // never finished
        vk::ini::WriteString(u"A", u"k", u"42", file.c_str());
        (void)batch;
        std::exit(0); // exit handlers run: the write is flushed
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(ReadFile(dir.file("a.ini")), "[A]\r\nk=42\r\n");
    EXPECT_EQ(vk::ini::GetInt(u"A", u"k", 0, file.c_str()), 42);
    vk::ini::Forget(file.c_str());
}

TEST(IniCache, WritesToAReadOnlyFileFailAndLoseNothing) {
    TempFolder dir;
    const std::string before = "[A]\r\nk=1\r\n";
    WriteFile(dir.file("a.ini"), before);
    const std::u16string file = dir.ufile("a.ini");
    ASSERT_EQ(vk::ini::GetInt(u"A", u"k", 0, file.c_str()), 1);
    ASSERT_EQ(chmod(dir.file("a.ini").c_str(), 0444), 0);
    EXPECT_FALSE(vk::ini::WriteString(u"A", u"k", u"2", file.c_str()));
    EXPECT_EQ(vk::fs::LastError(), vk::fs::kErrorAccessDenied);
    EXPECT_FALSE(vk::ini::WriteString(u"A", nullptr, nullptr, file.c_str()));
    EXPECT_FALSE(vk::ini::WriteSection(u"A", u"x=1\0", file.c_str()));
    EXPECT_EQ(vk::ini::GetInt(u"A", u"k", 0, file.c_str()), 1);
    EXPECT_TRUE(vk::ini::Flush(nullptr));
    EXPECT_EQ(ReadFile(dir.file("a.ini")), before);
    // Writable again: writes work (the permission change alone dropped nothing).
    ASSERT_EQ(chmod(dir.file("a.ini").c_str(), 0640), 0);
    ASSERT_TRUE(vk::ini::WriteString(u"A", u"k", u"2", file.c_str()));
    ASSERT_TRUE(vk::ini::Flush(file.c_str()));
    struct stat st {};
    ASSERT_EQ(stat(dir.file("a.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u); // the replacement keeps the permissions
    vk::ini::Forget(file.c_str());
}

TEST(IniCache, WritesWhereNoFileCanBeMadeFail) {
    TempFolder dir;
    EXPECT_FALSE(vk::ini::WriteString(u"A", u"k", u"1", (dir.upath() + u"missing/a.ini").c_str()));
    EXPECT_EQ(vk::fs::LastError(), vk::fs::kErrorPathNotFound);
    // A folder where the file should be: nothing to read, nothing to write.
    ASSERT_EQ(mkdir(dir.file("d.ini").c_str(), 0755), 0);
    EXPECT_EQ(vk::ini::GetInt(u"A", u"k", 7, dir.ufile("d.ini").c_str()), 7);
    EXPECT_FALSE(vk::ini::WriteString(u"A", u"k", u"1", dir.ufile("d.ini").c_str()));
    EXPECT_FALSE(vk::ini::WriteString(u"A", u"k", u"1", nullptr));
    if (geteuid() != 0) { // root writes into read-only folders
        ASSERT_EQ(mkdir(dir.file("ro").c_str(), 0555), 0);
        EXPECT_FALSE(vk::ini::WriteString(u"A", u"k", u"1", dir.ufile("ro/a.ini").c_str()));
        EXPECT_EQ(vk::fs::LastError(), vk::fs::kErrorAccessDenied);
    }
    vk::ini::Forget(nullptr);
}

// Every failing step of a flush is reported, leaves the old file whole and
// drops the writes of the batch; the cache shows the old values again.
TEST(IniCache, AFailedFlushIsReportedAndLeavesTheOldFile) {
    TempFolder dir;
    const std::string before = "[A]\r\nk=1\r\n";
    WriteFile(dir.file("a.ini"), before);
    const std::u16string file = dir.ufile("a.ini");
    for (const vk::fs::Op op : {vk::fs::Op::Open, vk::fs::Op::Write, vk::fs::Op::Flush, vk::fs::Op::Rename}) {
        vk::fs::ResetFaults();
        vk::fs::FailNth(op, 1);
        {
            vk::ini::Batch batch;
            ASSERT_TRUE(vk::ini::WriteString(u"A", u"k", u"2", file.c_str()));
            EXPECT_FALSE(batch.Finish());
        }
        EXPECT_EQ(vk::fs::LastError(), vk::fs::kErrorDiskFull);
        EXPECT_EQ(ReadFile(dir.file("a.ini")), before);
        EXPECT_EQ(CountTemps(dir.path()), 0);
        EXPECT_EQ(vk::ini::GetInt(u"A", u"k", 0, file.c_str()), 1);
        // Outside a batch the write itself says so.
        vk::fs::FailNth(op, 1);
        EXPECT_FALSE(vk::ini::WriteString(u"A", u"k", u"3", file.c_str()));
        EXPECT_EQ(ReadFile(dir.file("a.ini")), before);
        EXPECT_EQ(vk::ini::GetInt(u"A", u"k", 0, file.c_str()), 1);
        EXPECT_TRUE(vk::ini::Flush(nullptr)); // nothing left to write
        EXPECT_EQ(ReadFile(dir.file("a.ini")), before);
    }
    vk::fs::ResetFaults();
    vk::ini::Forget(file.c_str());
}

TEST(IniCache, AFileThatCannotBeCreatedIsNotPretended) {
    TempFolder dir;
    const std::u16string file = dir.ufile("new.ini");
    vk::fs::ResetFaults();
    vk::fs::FailNth(vk::fs::Op::Rename, 1);
    EXPECT_FALSE(vk::ini::WriteString(u"A", u"k", u"1", file.c_str()));
    vk::fs::ResetFaults();
    EXPECT_FALSE(vk::test::FileExists(dir.file("new.ini")));
    EXPECT_EQ(vk::ini::GetInt(u"A", u"k", 0, file.c_str()), 0);
    EXPECT_EQ(CountTemps(dir.path()), 0);
    vk::ini::Forget(file.c_str());
}

// A process killed while it writes leaves the old or the new file, whole.
TEST(IniCache, AKilledWriterNeverLeavesATornFile) {
    TempFolder dir;
    const std::u16string file = dir.ufile("a.ini");
    std::mt19937 random(7);
    constexpr int kKeys = 200;
    std::string start = "[S]\r\n";
    for (int i = 0; i < kKeys; ++i) start += "k" + std::to_string(i) + "=" + std::string(50, '-') + "\r\n";
    WriteFile(dir.file("a.ini"), start);
    int interrupted = 0;
    for (int round = 0; round < 40 && !(round >= 10 && interrupted >= 3); ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Nearly all the time goes into replacing the file.
            for (int generation = 0;; ++generation) {
                std::u16string lines;
                for (int i = 0; i < kKeys; ++i)
                    lines += Key(i) + u"=" + U(std::string(50, static_cast<char>('a' + generation % 26))) + u'\0';
                vk::ini::WriteSection(u"S", lines.c_str(), file.c_str());
                vk::ini::Flush(file.c_str());
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5 + random() % 40));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        vk::ini::Forget(file.c_str());
        if (CountTemps(dir.path()) > 0) ++interrupted;
        const std::u16string first = vk::ini::ReadString(u"S", u"k0", u"", file);
        ASSERT_EQ(first.size(), 50u);
        for (int i = 1; i < kKeys; ++i) ASSERT_EQ(vk::ini::ReadString(u"S", Key(i), u"", file), first) << i;
    }
    EXPECT_GT(interrupted, 0) << "no kill landed inside a replacement";
    // Temporary files of killed writers are cleared by the next replacement.
    ASSERT_TRUE(vk::ini::WriteString(u"S", u"done", u"1", file.c_str()));
    ASSERT_TRUE(vk::ini::Flush(file.c_str()));
    EXPECT_EQ(CountTemps(dir.path()), 0);
    vk::ini::Forget(file.c_str());
}

TEST(IniCache, ThreadsWritingOneFileLoseNothing) {
    TempFolder dir;
    const std::u16string file = dir.ufile("a.ini");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                const std::u16string key = Key(t * 1000 + i);
                vk::ini::WriteString(u"S", key.c_str(), key.c_str(), file.c_str());
                EXPECT_EQ(vk::ini::ReadString(u"S", key, u"", file), key);
            }
        });
    }
    for (auto &t : threads) t.join();
    ASSERT_TRUE(vk::ini::Flush(nullptr));
    vk::ini::Forget(file.c_str());
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 200; ++i) ASSERT_EQ(vk::ini::ReadString(u"S", Key(t * 1000 + i), u"", file), Key(t * 1000 + i));
    vk::ini::Forget(file.c_str());
}

TEST(IniCache, WritesGoThroughASymbolicLink) {
    TempFolder dir;
    WriteFile(dir.file("real.ini"), "[A]\r\nk=1\r\n");
    ASSERT_EQ(symlink("real.ini", dir.file("link.ini").c_str()), 0);
    const std::u16string link = dir.ufile("link.ini");
    ASSERT_TRUE(vk::ini::WriteString(u"A", u"k", u"2", link.c_str()));
    ASSERT_TRUE(vk::ini::Flush(link.c_str()));
    struct stat st {};
    ASSERT_EQ(lstat(dir.file("link.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(dir.file("real.ini")), "[A]\r\nk=2\r\n");
    vk::ini::Forget(link.c_str());
}

} // namespace
