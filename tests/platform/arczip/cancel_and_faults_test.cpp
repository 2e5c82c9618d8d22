// Cancelling, failures of the file layer, keeping the old archive, and the
// call protocol (handles, ordinals).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/fs/fs.h"
#include "tests/platform/arczip/arczip_support.h"
#include "tests/support/test_support.h"

namespace vk::arctest {
namespace {

using vk::test::TempFolder;
using vk::test::WriteFile;
using Tree = std::map<std::string, std::string>;
using Clock = std::chrono::steady_clock;

struct FaultReset {
    FaultReset() { vk::fs::ResetFaults(); }
    ~FaultReset() { vk::fs::ResetFaults(); }
};

void BuildFiles(const std::string &root, int count) {
    for (int i = 0; i < count; ++i) WriteFile(root + "d" + std::to_string(i % 7) + "/f" + std::to_string(i) + ".ini", TextData(3000, i));
}

TEST(ArcCancel, CallbackAnswerZeroStopsZippingAndKeepsTheOldArchive) {
    TempFolder t;
    BuildFiles(t.file("work/"), 400);
    WriteFile(t.file("a.zip"), "the old archive");
    Job zip(t.file("a.zip"));
    int files = 0;
    zip.recorder.answer = [&](const Event &e) { return e.event == ARC_EVENT_FILE && ++files == 10 ? 0 : 1; };
    EXPECT_FALSE(zip.Zip(t.file("work/")));
    EXPECT_TRUE(zip.opened);
    EXPECT_EQ(zip.recorder.Count(ARC_EVENT_FILE), 10);
    EXPECT_EQ(zip.recorder.events.back().event, ARC_EVENT_FILE); // nothing after the stop
    EXPECT_EQ(vk::test::ReadFile(t.file("a.zip")), "the old archive");
    EXPECT_EQ(FilesStartingWith(t.path(), ".~arc"), std::vector<std::string>{});
}

TEST(ArcCancel, CancelFlagStopsZippingBeforeAnyEntry) {
    TempFolder t;
    BuildFiles(t.file("work/"), 50);
    Job zip(t.file("a.zip"));
    zip.recorder.answer = [&](const Event &) {
        zip.cancel = 1;
        return 1;
    };
    EXPECT_FALSE(zip.Zip(t.file("work/")));
    EXPECT_EQ(zip.recorder.events.size(), 1u);
    EXPECT_FALSE(vk::test::FileExists(t.file("a.zip")));
    EXPECT_EQ(FilesStartingWith(t.path(), ".~arc"), std::vector<std::string>{});
}

TEST(ArcCancel, CancelFlagSetBeforeFinishKeepsTheOldArchive) {
    TempFolder t;
    BuildFiles(t.file("work/"), 20);
    WriteFile(t.file("a.zip"), "old");
    Job zip(t.file("a.zip"));
    ASSERT_NE(ArcCreate(&zip.request), 0);
    const std::u16string folder = vk::test::U(t.file("work/"));
    ASSERT_NE(ArcAddFolder(&zip.request, folder.c_str()), 0);
    zip.cancel = 1;
    EXPECT_EQ(ArcFinish(&zip.request), 0);
    EXPECT_EQ(zip.request.word[ARC_WORD_HANDLE], 0);
    EXPECT_EQ(vk::test::ReadFile(t.file("a.zip")), "old");
    EXPECT_EQ(FilesStartingWith(t.path(), ".~arc"), std::vector<std::string>{});
}

// The flag is also watched while ArcFinish writes the archive: set it as
// soon as libzip's own temporary file appears, and the old archive stays.
TEST(ArcCancel, CancelFlagDuringFinishKeepsTheOldArchive) {
    TempFolder t;
    WriteFile(t.file("work/big1.db"), RandomData(16 << 20, 3));
    WriteFile(t.file("work/big2.db"), RandomData(16 << 20, 4));
    WriteFile(t.file("out/a.zip"), "old");
    Job zip(t.file("out/a.zip"));
    ASSERT_NE(ArcCreate(&zip.request), 0);
    const std::u16string folder = vk::test::U(t.file("work/"));
    ASSERT_NE(ArcAddFolder(&zip.request, folder.c_str()), 0);

    std::atomic<bool> done{false};
    std::atomic<bool> seen{false};
    std::thread watcher([&] {
        while (!done.load()) {
            for (const std::string &name : FilesStartingWith(t.file("out"), ".~arc")) {
                if (name.find(".tmp.") != std::string::npos) { // libzip writes "<temp>.XXXXXX"
                    seen = true;
                    std::atomic_ref<int32_t>(zip.cancel).store(1);
                    return;
                }
            }
        }
    });
    const int finished = ArcFinish(&zip.request);
    done = true;
    watcher.join();
    if (!seen) GTEST_SKIP() << "the archive was written before the watcher looked";
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(vk::test::ReadFile(t.file("out/a.zip")), "old");
    EXPECT_EQ(FilesStartingWith(t.file("out"), ".~arc"), std::vector<std::string>{});
}

// A stop in the middle of large files takes effect within a block, not at
// the end of the file: the stopped run takes far less than a whole one.
TEST(ArcCancel, StopsPromptlyInsideLargeFiles) {
    TempFolder t;
    WriteFile(t.file("work/big1.db"), RandomData(24 << 20, 1));
    WriteFile(t.file("work/big2.db"), RandomData(24 << 20, 2));
    const auto start = Clock::now();
    Job whole(t.file("whole.zip"));
    ASSERT_TRUE(whole.Zip(t.file("work/")));
    const auto wholeTime = Clock::now() - start;

    Job zip(t.file("a.zip"));
    Clock::time_point stopAt;
    zip.recorder.answer = [&](const Event &e) {
        if (e.event != ARC_EVENT_PROGRESS) return 1;
        stopAt = Clock::now();
        return 0;
    };
    EXPECT_FALSE(zip.Zip(t.file("work/")));
    ASSERT_EQ(zip.recorder.Count(ARC_EVENT_PROGRESS), 1);
    EXPECT_EQ(zip.recorder.Count(ARC_EVENT_FILE), 0);
    EXPECT_LT(Clock::now() - stopAt, wholeTime / 3);

    Job unzip(t.file("whole.zip"), t.file("out"));
    unzip.recorder.answer = [&](const Event &e) { return e.event == ARC_EVENT_PROGRESS ? 0 : 1; };
    EXPECT_FALSE(unzip.Unzip());
    EXPECT_EQ(unzip.recorder.Count(ARC_EVENT_PROGRESS), 1);
    EXPECT_EQ(unzip.recorder.events.back().event, ARC_EVENT_PROGRESS);
    EXPECT_TRUE(Snapshot(t.file("out")).empty()); // no partial file, no temporary file
}

TEST(ArcCancel, StopsUnzippingAfterTheAnsweredEntry) {
    TempFolder t;
    BuildFiles(t.file("work/"), 30);
    Job zip(t.file("a.zip"));
    ASSERT_TRUE(zip.Zip(t.file("work/")));
    Job unzip(t.file("a.zip"), t.file("out"));
    int files = 0;
    unzip.recorder.answer = [&](const Event &e) { return e.event == ARC_EVENT_FILE && ++files == 3 ? 0 : 1; };
    EXPECT_FALSE(unzip.Unzip());
    EXPECT_EQ(unzip.recorder.Count(ARC_EVENT_FILE), 3);
    EXPECT_EQ(unzip.recorder.events.back().event, ARC_EVENT_FILE);
    size_t written = 0;
    for (const auto &entry : Snapshot(t.file("out"))) written += entry.second == "D" ? 0 : 1;
    EXPECT_EQ(written, 3u);

    Job flagged(t.file("a.zip"), t.file("out2"));
    flagged.recorder.answer = [&](const Event &e) {
        if (e.event == ARC_EVENT_FILE) flagged.cancel = 1;
        return 1;
    };
    EXPECT_FALSE(flagged.Unzip());
    EXPECT_EQ(flagged.recorder.Count(ARC_EVENT_FILE), 1);
}

// The old archive survives every failure of the finish: a failed flush of
// the new archive, a failed rename, a folder that cannot be read. Without an
// old archive, none appears.
TEST(ArcFaults, FailedFinishLeavesTheOldArchiveOrNone) {
    FaultReset reset;
    TempFolder t;
    BuildFiles(t.file("work/"), 20);
    struct Case {
        const char *name;
        vk::fs::Op op;
        int n;
        const char *folder;
    };
    const Case cases[] = {
        {"flush", vk::fs::Op::Flush, 1, "work/"},
        {"rename", vk::fs::Op::Rename, 1, "work/"},
        {"missing folder", vk::fs::Op::Open, 0, "missing/"},
    };
    for (const Case &c : cases) {
        for (const bool hadArchive : {true, false}) {
            std::filesystem::remove(t.file("a.zip"));
            if (hadArchive) WriteFile(t.file("a.zip"), "old archive");
            vk::fs::ResetFaults();
            vk::fs::FailNth(c.op, c.n);
            Job zip(t.file("a.zip"));
            EXPECT_FALSE(zip.Zip(t.file(c.folder))) << c.name;
            EXPECT_TRUE(zip.opened) << c.name;
            if (hadArchive) EXPECT_EQ(vk::test::ReadFile(t.file("a.zip")), "old archive") << c.name;
            else EXPECT_FALSE(vk::test::FileExists(t.file("a.zip"))) << c.name;
            EXPECT_EQ(FilesStartingWith(t.path(), ".~arc"), std::vector<std::string>{}) << c.name;
        }
    }
}

// Failing the Nth open, write, flush or rename of the file layer, for N = 1,
// 2, ... until the backup goes through: after every attempt the archive is
// wholly old or wholly new.
TEST(ArcFaults, EveryNthFailureLeavesTheArchiveWhollyOldOrNew) {
    FaultReset reset;
    TempFolder t;
    BuildFiles(t.file("work/"), 12);
    WriteFile(t.file("old/x.ini"), "old content");
    Job first(t.file("a.zip"));
    ASSERT_TRUE(first.Zip(t.file("old/")));
    const std::string oldArchive = vk::test::ReadFile(t.file("a.zip"));

    for (const vk::fs::Op op : {vk::fs::Op::Open, vk::fs::Op::Write, vk::fs::Op::Flush, vk::fs::Op::Rename}) {
        int n = 1;
        for (; n < 50; ++n) {
            vk::fs::ResetFaults();
            vk::fs::FailNth(op, n);
            Job zip(t.file("a.zip"));
            const bool ok = zip.Zip(t.file("work/"));
            vk::fs::ResetFaults();
            ASSERT_EQ(FilesStartingWith(t.path(), ".~arc"), std::vector<std::string>{});
            if (!ok) {
                ASSERT_EQ(vk::test::ReadFile(t.file("a.zip")), oldArchive) << static_cast<int>(op) << " " << n;
                continue;
            }
            std::filesystem::remove_all(t.file("check"));
            Job unzip(t.file("a.zip"), t.file("check"));
            ASSERT_TRUE(unzip.Unzip());
            ASSERT_EQ(Snapshot(t.file("check")), Snapshot(t.file("work")));
            // Put the old archive back for the next kind of failure.
            WriteFile(t.file("a.zip"), oldArchive);
            break;
        }
        EXPECT_LT(n, 50) << static_cast<int>(op);
    }
}

// Failures while unpacking one file: event 4 for that file, no temporary
// file left, the other files unpacked.
TEST(ArcFaults, WriteFailuresWhileUnpackingSkipOnlyThatFile) {
    FaultReset reset;
    TempFolder t;
    WriteFile(t.file("work/a.txt"), "A");
    WriteFile(t.file("work/b.txt"), "B");
    WriteFile(t.file("work/c.txt"), "C");
    Job zip(t.file("a.zip"));
    ASSERT_TRUE(zip.Zip(t.file("work/")));
    struct Case {
        vk::fs::Op op;
        int n;
        const char *failed;
    };
    const Case cases[] = {{vk::fs::Op::Open, 1, "a.txt"}, {vk::fs::Op::Write, 2, "b.txt"}, {vk::fs::Op::Rename, 3, "c.txt"}};
    int round = 0;
    for (const Case &c : cases) {
        const std::string dest = t.file("out" + std::to_string(round++));
        vk::fs::ResetFaults();
        vk::fs::FailNth(c.op, c.n);
        Job unzip(t.file("a.zip"), dest);
        EXPECT_TRUE(unzip.Unzip());
        EXPECT_EQ(unzip.recorder.Texts(ARC_EVENT_CANNOT_UNPACK), std::vector<std::string>{c.failed});
        Tree expected{{"a.txt", "A"}, {"b.txt", "B"}, {"c.txt", "C"}};
        expected.erase(c.failed);
        EXPECT_EQ(Snapshot(dest), expected);
    }
}

TEST(ArcFaults, UnusableDestinationFailsTheExtraction) {
    TempFolder t;
    WriteFile(t.file("work/a.txt"), "A");
    Job zip(t.file("a.zip"));
    ASSERT_TRUE(zip.Zip(t.file("work/")));
    WriteFile(t.file("plain-file"), "x");
    for (const std::string &dest : {t.file("plain-file"), t.file("missing-parent/dest")}) {
        Job unzip(t.file("a.zip"), dest);
        EXPECT_FALSE(unzip.Unzip()) << dest;
        EXPECT_TRUE(unzip.opened);
    }
    EXPECT_FALSE(vk::test::FileExists(t.file("missing-parent")));
}

TEST(ArcProtocol, HandlesAreCheckedAndReleased) {
    TempFolder t;
    WriteFile(t.file("work/a.txt"), "A");
    const std::u16string folder = vk::test::U(t.file("work/"));

    Job job(t.file("a.zip"), t.file("out"));
    EXPECT_EQ(ArcAddFolder(&job.request, folder.c_str()), 0); // before ArcCreate
    EXPECT_EQ(ArcFinish(&job.request), 0);
    EXPECT_EQ(ArcExtractAll(&job.request), 0);
    EXPECT_EQ(ArcClose(&job.request), 0);
    EXPECT_EQ(ArcCreate(nullptr), 0);

    ASSERT_NE(ArcCreate(&job.request), 0);
    const intptr_t handle = job.request.word[ARC_WORD_HANDLE];
    EXPECT_NE(handle, 0);
    EXPECT_EQ(ArcCreate(&job.request), 0);      // a handle is already there
    EXPECT_EQ(ArcOpen(&job.request), 0);
    EXPECT_EQ(ArcExtractAll(&job.request), 0);  // a writing handle
    EXPECT_EQ(ArcClose(&job.request), 0);
    EXPECT_EQ(job.request.word[ARC_WORD_HANDLE], handle);
    EXPECT_NE(ArcAddFolder(&job.request, folder.c_str()), 0);
    EXPECT_NE(ArcFinish(&job.request), 0);
    EXPECT_EQ(job.request.word[ARC_WORD_HANDLE], 0);

    ASSERT_NE(ArcOpen(&job.request), 0);
    EXPECT_EQ(ArcAddFolder(&job.request, folder.c_str()), 0); // a reading handle
    EXPECT_EQ(ArcFinish(&job.request), 0);
    EXPECT_NE(job.request.word[ARC_WORD_HANDLE], 0);
    EXPECT_NE(ArcExtractAll(&job.request), 0);
    EXPECT_NE(ArcClose(&job.request), 0);
    EXPECT_EQ(job.request.word[ARC_WORD_HANDLE], 0);

    Job nowhere(t.file("missing-folder/a.zip"));
    // Nothing is written before the finish: there a missing folder fails.
    EXPECT_EQ(ArcCreate(&nowhere.request), 1);
    EXPECT_EQ(ArcFinish(&nowhere.request), 0);
    Job onFolder(t.file("work"));
    EXPECT_EQ(ArcCreate(&onFolder.request), 0);
    Job noPath(t.file("a.zip"));
    noPath.request.word[ARC_WORD_ARCHIVE] = 0;
    EXPECT_EQ(ArcCreate(&noPath.request), 0);
    EXPECT_EQ(ArcOpen(&noPath.request), 0);
}

TEST(ArcProtocol, OrdinalsBindTheCalls) {
    EXPECT_EQ(ArcProcByOrdinal(2), reinterpret_cast<ArcAnyProc>(&ArcCreate));
    EXPECT_EQ(ArcProcByOrdinal(4), reinterpret_cast<ArcAnyProc>(&ArcFinish));
    EXPECT_EQ(ArcProcByOrdinal(5), reinterpret_cast<ArcAnyProc>(&ArcOpen));
    EXPECT_EQ(ArcProcByOrdinal(6), reinterpret_cast<ArcAnyProc>(&ArcExtractAll));
    EXPECT_EQ(ArcProcByOrdinal(7), reinterpret_cast<ArcAnyProc>(&ArcClose));
    EXPECT_EQ(ArcProcByOrdinal(8), reinterpret_cast<ArcAnyProc>(&ArcAddFolder));
    EXPECT_EQ(ArcProcByOrdinal(9), reinterpret_cast<ArcAnyProc>(&ArcUnpackedSize));
    EXPECT_EQ(ArcProcByOrdinal(10), reinterpret_cast<ArcAnyProc>(&ArcAddFile));
    EXPECT_EQ(ArcProcByOrdinal(11), reinterpret_cast<ArcAnyProc>(&ArcHasEntry));
    EXPECT_EQ(ArcProcByOrdinal(12), reinterpret_cast<ArcAnyProc>(&ArcAddArchive));
    EXPECT_EQ(ArcProcByOrdinal(13), reinterpret_cast<ArcAnyProc>(&ArcExtractEntry));
    EXPECT_EQ(ArcProcByOrdinal(14), reinterpret_cast<ArcAnyProc>(&ArcListEntries));
    EXPECT_EQ(ArcProcByOrdinal(15), reinterpret_cast<ArcAnyProc>(&ArcExtractNamed));
    for (int n : {-1, 0, 1, 3, 16, 100}) EXPECT_EQ(ArcProcByOrdinal(n), nullptr) << n;

    // A whole backup and restore through the table, as the engine binds it.
    TempFolder t;
    WriteFile(t.file("work/Backup.why"), "[Talvern Backup Utility]\r\n");
    Job job(t.file("a.zip"), t.file("out"));
    const auto call = [&](int ordinal) { return reinterpret_cast<ArcRequestProc>(ArcProcByOrdinal(ordinal))(&job.request); };
    const std::u16string folder = vk::test::U(t.file("work/"));
    ASSERT_NE(call(2), 0);
    ASSERT_NE(reinterpret_cast<ArcAddFolderProc>(ArcProcByOrdinal(8))(&job.request, folder.c_str()), 0);
    ASSERT_NE(call(4), 0);
    ASSERT_NE(call(5), 0);
    ASSERT_NE(call(6), 0);
    ASSERT_NE(call(7), 0);
    EXPECT_EQ(vk::test::ReadFile(t.file("out/Backup.why")), "[Talvern Backup Utility]\r\n");
}

} // namespace
} // namespace vk::arctest
