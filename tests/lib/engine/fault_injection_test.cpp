// The file layer fails its Nth open, write, flush or rename, for N = 1, 2, ...
// until the job runs through: after every failure the archive and every
// settings file is wholly old or wholly new, and nothing lies where it should
// not.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "lib/engine/job.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/ui/ui.h"
#include "tests/lib/engine/engine_support.h"
#include "vaultkeeplib.h"

namespace vk::enginetest {
namespace {

using vk::fs::Op;
using vk::test::N;
using vk::test::ReadFile;
using vk::test::U;
using vk::test::WriteFile;

namespace fsys = std::filesystem;

const std::string kOldA = "[A]\r\nk=old\r\n";
const std::string kNewA = "[A]\r\nk=new\r\n";
const std::string kOldProperties = "[Tracer]\r\nSpeed=1\r\n[Preferences]\r\nDepth=Feet\r\n";
const std::string kNewProperties = "[Tracer]\r\nSpeed=2\r\nMode=fast\r\n[Preferences]\r\nDepth=Metres\r\n";

struct ItemCall {
    int32_t type;
    std::string name, key, path; // "" = null
};

class FaultInjectionTest : public EngineTest {
protected:
    // The installation as each run finds it: `fresh` files for config and
    // data, the archive as given.
    void Reset(bool newFiles, const std::string &archiveBytes) {
        vk::ini::Forget(nullptr);
        vk::ui::ClearAnswers();
        fsys::remove_all(root_);
        for (const char *d : {"bin", "config", "data", "format", "script", "sim", "backup", "temp"})
            fsys::create_directories(root_ + d);
        WriteFile(Dir("config") + "a.ini", newFiles ? kNewA : kOldA);
        WriteFile(Dir("config") + "b.ini", newFiles ? "[B]\r\nn=1\r\n" : "[B]\r\no=1\r\n");
        WriteFile(Dir("config") + "c.ini", "[C]\r\n");
        WriteFile(Dir("config") + "WProperties.ini", newFiles ? kNewProperties : kOldProperties);
        WriteFile(Dir("data") + "Wells/w.db", newFiles ? std::string(50000, 'n') : std::string(40000, 'o'));
        if (!archiveBytes.empty()) WriteFile(archive_, archiveBytes);
    }
    // Everything below the installation except the temporary folder.
    std::map<std::string, std::string> Installation(bool withBackup) {
        auto all = Snapshot(root_);
        std::erase_if(all, [&](const auto &e) {
            return e.first.rfind("temp", 0) == 0 || (!withBackup && e.first.rfind("backup", 0) == 0);
        });
        return all;
    }
    // The backup folder holds the archive (when there is one) and reports only.
    void ExpectOnlyArchiveAndReports(const std::string &context) {
        for (const auto &e : fsys::directory_iterator(Dir("backup"))) {
            const std::string name = e.path().filename().string();
            EXPECT_TRUE(e.path() == archive_ || name.find("Results.txt") != std::string::npos) << context << name;
        }
        EXPECT_TRUE(fsys::is_empty(Dir("temp"))) << context;
    }
    static std::vector<int> Run(BackupJob *job, bool backup, const std::vector<ItemCall> &items) {
        std::vector<int> statuses;
        auto text = [](const std::string &s) { return s.empty() ? std::u16string() : U(s); };
        for (const ItemCall &c : items) {
            const std::u16string name = text(c.name), key = text(c.key), path = text(c.path);
            const char16_t *n = c.name.empty() ? nullptr : name.c_str();
            const char16_t *k = c.key.empty() ? nullptr : key.c_str();
            const char16_t *p = c.path.empty() ? nullptr : path.c_str();
            statuses.push_back(backup ? VKBackup(job, c.type, 0, 0, n, k, p) : VKRestore(job, c.type, 0, 0, n, k, p));
        }
        return statuses;
    }
    // Runs `attempt` with the Nth call of each operation failing until a run
    // no longer reaches the fault; `check` looks at the result of each run.
    void ForEachFault(const std::function<void()> &attempt, const std::function<void(const std::string &)> &check) {
        for (Op op : {Op::Open, Op::Write, Op::Flush, Op::Rename}) {
            const char *opName[] = {"open", "write", "flush", "rename"};
            for (int n = 1; n < 500; ++n) {
                vk::fs::ResetFaults();
                vk::fs::FailNth(op, n);
                attempt();
                const int calls = vk::fs::CallCount(op);
                vk::fs::ResetFaults();
                check(std::string(opName[static_cast<int>(op)]) + " #" + std::to_string(n) + ": ");
                if (calls < n) break;
                ++faults_;
            }
        }
        EXPECT_GT(faults_, 10); // the faults did reach the job
    }

    std::string archive_;
    int faults_ = 0;
};

TEST_F(FaultInjectionTest, Backup) {
    archive_ = Dir("backup") + "f.vkb";
    const std::vector<ItemCall> items = {{1002, "", "", Dir("config") + "a.ini"},
                                         {1002, "", "", Dir("config") + "b.ini"},
                                         {1002, "", "", Dir("config") + "WProperties.ini"},
                                         {1002, "", "", Dir("data") + "Wells/w.db"},
                                         {1007, "Tracer", "", Dir("config") + "WProperties.ini"}};
    // The new archive's entries from a run without faults.
    Reset(true, "");
    BackupJob *job = VKBackupInit(nullptr, VKF_QUIET, 0, U(archive_).c_str(), nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    ASSERT_EQ(Run(job, true, items), std::vector<int>(items.size(), 0));
    ASSERT_EQ(VKBackupClose(job), 1);
    std::map<std::string, std::string> expected;
    for (const std::string &e : ZipEntries(archive_))
        if (e != "Backup.why") expected[e] = ZipEntry(archive_, e);
    ASSERT_EQ(expected.size(), 4u);
    const std::string oldArchive = ReadFile(archive_);

    std::vector<int> statuses;
    int closed = 0;
    std::map<std::string, std::string> before;
    ForEachFault(
        [&] {
            Reset(true, oldArchive);
            before = Installation(false);
            statuses.clear();
            closed = 0;
            job = VKBackupInit(nullptr, VKF_OVERWRITE | VKF_QUIET, 0, U(archive_).c_str(), nullptr, nullptr, nullptr,
                               u"-Comment 'faults'");
            if (!job) return;
            statuses = Run(job, true, items);
            closed = VKBackupClose(job);
        },
        [&](const std::string &context) {
            EXPECT_EQ(Installation(false), before) << context;
            ExpectOnlyArchiveAndReports(context);
            const std::string now = ReadFile(archive_);
            if (now == oldArchive) return; // wholly old
            EXPECT_EQ(closed, 1) << context;
            ASSERT_EQ(Shell("unzip -tq " + Quote(archive_)), 0) << context;
            const std::string why = ZipEntry(archive_, "Backup.why");
            EXPECT_NE(why.find("BackupVersion=7.0"), std::string::npos) << context << why;
            EXPECT_NE(why.find("Name=f"), std::string::npos) << context << why;
            for (const std::string &e : ZipEntries(archive_)) {
                // A folder made for an item whose copy failed stays, empty.
                if (e == "Backup.why" || e.back() == '/') continue;
                ASSERT_TRUE(expected.count(e)) << context << e;
                // An entry is whole; the main properties copy is whole when its items were.
                if (e != "1999/WProperties.ini" || (statuses.size() > 4 && statuses[2] == 0 && statuses[4] == 0)) {
                    EXPECT_EQ(ZipEntry(archive_, e), expected[e]) << context << e;
                }
            }
            // A missing entry belongs to a failed item.
            const std::vector<std::string> entries = ZipEntries(archive_);
            auto has = [&](const char *e) { return std::find(entries.begin(), entries.end(), e) != entries.end(); };
            if (statuses.size() == items.size()) {
                EXPECT_TRUE(has("4001/a.ini") || statuses[0] != 0) << context;
                EXPECT_TRUE(has("4001/b.ini") || statuses[1] != 0) << context;
                EXPECT_TRUE(has("3000/Wells/w.db") || statuses[3] != 0) << context;
            }
        });
}

TEST_F(FaultInjectionTest, Append) {
    archive_ = Dir("backup") + "f.serv.vkb";
    // The archive to append to holds the old a.ini.
    Reset(false, "");
    BackupJob *job = VKBackupInit(nullptr, 0, 0, U(archive_).c_str(), nullptr, nullptr, nullptr, u"Comment 'first'");
    ASSERT_NE(job, nullptr);
    ASSERT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("config") + "a.ini").c_str()), 0);
    ASSERT_EQ(VKBackupClose(job), 1);
    const std::string oldArchive = ReadFile(archive_);

    std::vector<int> statuses;
    std::map<std::string, std::string> before;
    ForEachFault(
        [&] {
            Reset(true, oldArchive);
            before = Installation(false);
            statuses.clear();
            job = VKBackupInit(nullptr, VKF_APPEND_SERVICES | VKF_QUIET, 0, U(archive_).c_str(), nullptr, nullptr,
                               nullptr, u"Comment 'second'");
            if (!job) return;
            statuses = Run(job, true, {{1002, "", "", Dir("config") + "b.ini"}, {1002, "", "", Dir("config") + "a.ini"}});
            VKBackupClose(job);
        },
        [&](const std::string &context) {
            EXPECT_EQ(Installation(false), before) << context;
            ExpectOnlyArchiveAndReports(context);
            if (ReadFile(archive_) == oldArchive) return;
            ASSERT_EQ(Shell("unzip -tq " + Quote(archive_)), 0) << context;
            // The old content is all there, the new one where its item succeeded.
            EXPECT_EQ(ZipEntry(archive_, "4001/a.ini"), kOldA) << context;
            const std::vector<std::string> entries = ZipEntries(archive_);
            const bool hasB = std::find(entries.begin(), entries.end(), "4001/b.ini") != entries.end();
            if (hasB) {
                EXPECT_EQ(ZipEntry(archive_, "4001/b.ini"), "[B]\r\nn=1\r\n") << context;
            }
            EXPECT_TRUE(hasB || statuses.empty() || statuses[0] != 0) << context;
            const std::string why = ZipEntry(archive_, "Backup.why");
            EXPECT_NE(why.find("Name=f.serv"), std::string::npos) << context << why;
            EXPECT_NE(why.find("1=first"), std::string::npos) << context << why;
            EXPECT_NE(why.find("AppendDate="), std::string::npos) << context << why;
        });
}

TEST_F(FaultInjectionTest, Restore) {
    archive_ = Dir("backup") + "r.vkb";
    const std::vector<ItemCall> backupItems = {{1002, "", "", Dir("config") + "a.ini"},
                                               {1002, "", "", Dir("config") + "b.ini"},
                                               {1002, "", "", Dir("config") + "WProperties.ini"},
                                               {1002, "", "", Dir("data") + "Wells/w.db"}};
    const std::vector<ItemCall> restoreItems = {{1002, "", "", "a.ini"},
                                                {1002, "", "", "b.ini"},
                                                {1002, "", "", Dir("data") + "Wells/w.db"},
                                                {1007, "Tracer", "", ""},
                                                {1005, "Preferences", "Depth", ""}};
    Reset(true, "");
    BackupJob *job = VKBackupInit(nullptr, 0, 0, U(archive_).c_str(), nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    ASSERT_EQ(Run(job, true, backupItems), std::vector<int>(backupItems.size(), 0));
    ASSERT_EQ(VKBackupClose(job), 1);
    const std::string archiveBytes = ReadFile(archive_);
    const auto newState = Installation(false);

    // A run without faults gives the new state of every restored file.
    Reset(false, archiveBytes);
    const auto oldState = Installation(false);
    ASSERT_TRUE(vk::ui::QueueAnswers(u"box(Talvern 7):Yes"));
    job = VKRestoreInit(nullptr, VKF_QUIET, 0, U(archive_).c_str(), nullptr, nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    ASSERT_EQ(Run(job, false, restoreItems), std::vector<int>(restoreItems.size(), 0));
    ASSERT_EQ(VKRestoreClose(job), 1);
    const auto restoredState = Installation(false);
    EXPECT_EQ(restoredState.at("config/a.ini"), newState.at("config/a.ini"));
    EXPECT_EQ(restoredState.at("data/Wells/w.db"), newState.at("data/Wells/w.db"));

    std::vector<int> statuses;
    bool unpacked = false;
    ForEachFault(
        [&] {
            Reset(false, archiveBytes);
            statuses.clear();
            vk::ui::QueueAnswers(u"box(Talvern 7):Yes");
            job = VKRestoreInit(nullptr, VKF_QUIET, 0, U(archive_).c_str(), nullptr, nullptr, nullptr);
            if (!job) return;
            // A section missing from the archive (its entry not unpacked) restores nothing, successfully.
            unpacked = vk::test::FileExists(N(job->workFolder) + "1999/WProperties.ini");
            statuses = Run(job, false, restoreItems);
            VKRestoreClose(job);
        },
        [&](const std::string &context) {
            EXPECT_EQ(ReadFile(archive_), archiveBytes) << context;
            ExpectOnlyArchiveAndReports(context);
            const auto now = Installation(false);
            ASSERT_EQ(now.size(), oldState.size()) << context; // no stray files
            for (const auto &[path, bytes] : now) {
                if (path == "config/WProperties.ini") continue;
                EXPECT_TRUE(bytes == oldState.at(path) || bytes == restoredState.at(path)) << context << path;
            }
            // The properties file takes two items, one call each: every
            // section is wholly old or wholly new, and an item that reported
            // success is on disk.
            const std::string properties = now.at("config/WProperties.ini");
            const bool tracer = properties.find("[Tracer]\r\nSpeed=2\r\nMode=fast\r\n") != std::string::npos;
            const bool depth = properties.find("Depth=Metres") != std::string::npos;
            EXPECT_TRUE(tracer || properties.find("[Tracer]\r\nSpeed=1\r\n[") != std::string::npos) << context;
            EXPECT_TRUE(depth || properties.find("Depth=Feet") != std::string::npos) << context;
            if (statuses.size() == restoreItems.size() && unpacked) {
                EXPECT_TRUE(tracer || statuses[3] != 0) << context << properties;
                EXPECT_TRUE(depth || statuses[4] != 0) << context << properties;
                EXPECT_TRUE(statuses[3] == 0 || statuses[3] == StatusIniFail) << context;
            }
        });
}

} // namespace
} // namespace vk::enginetest
