// Damaged and hostile input: broken archives, odd metadata, a cancel in the
// middle of the archive work, and a full disk.
#include <gtest/gtest.h>

#include <filesystem>

#include "lib/engine/job.h"
#include "lib/services/directories.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"
#include "tests/lib/engine/engine_support.h"
#include "vaultkeeplib.h"

namespace vk::enginetest {
namespace {

using vk::test::N;
using vk::test::ReadFile;
using vk::test::U;
using vk::test::WriteFile;

class BadInputTest : public EngineTest {
protected:
    // A backup by the engine of config/a.ini and config/b.ini.
    std::string EngineArchive(const std::string &name) {
        WriteFile(Dir("config") + "a.ini", "[A]\r\n" + std::string(20000, 'a') + "=1\r\n");
        WriteFile(Dir("config") + "b.ini", "[B]\r\nk=v\r\n");
        const std::string archive = Dir("backup") + name;
        BackupJob *job = VKBackupInit(nullptr, VKF_OVERWRITE, 0, U(archive).c_str(), nullptr, nullptr, nullptr, nullptr);
        EXPECT_NE(job, nullptr);
        for (const char *f : {"a.ini", "b.ini"})
            EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("config") + f).c_str()), StatusOk);
        EXPECT_EQ(VKBackupClose(job), 1);
        return archive;
    }
    int Refusals() const {
        int n = 0;
        for (const auto &s : vk::ui::ShownLog())
            if (N(s.text).rfind("Problem unzipping ", 0) == 0) ++n;
        return n;
    }
};

TEST_F(BadInputTest, DamagedArchives) {
    const std::string good = ReadFile(EngineArchive("good.vkb"));
    // Offset of a.ini's compressed data: the first local header's name ends it.
    const size_t data = good.find("4001/a.ini") + std::string("4001/a.ini").size();
    ASSERT_NE(data, std::string::npos);
    std::string corrupt = good;
    for (size_t i = data + 8; i < data + 24; ++i) corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);

    enum class Outcome { Plain, Refused, Unpacked };
    struct Case {
        const char *name;
        std::string bytes;
        Outcome outcome;
        int refusals; // entries (or archives) shown as not unpacked
    };
    // A damaged archive is refused rather than taken for a plain file, whose
    // bytes every file item would copy.
    const Case cases[] = {
        {"truncated", good.substr(0, good.size() * 6 / 10), Outcome::Refused, 1},
        {"no directory end", good.substr(0, good.size() - 10), Outcome::Refused, 1},
        {"local header only", good.substr(0, 30), Outcome::Refused, 1},
        {"corrupt entry", corrupt, Outcome::Unpacked, 1}, // found by the opening check
        {"zeros", std::string(4096, '\0'), Outcome::Plain, 0},
        {"three bytes", "PK\x03", Outcome::Plain, 0},
    };
    for (const Case &c : cases) {
        vk::ui::ClearShownLog();
        const std::string path = tmp.file(std::string(c.name) + ".vkb");
        WriteFile(path, c.bytes);
        BackupJob *job = VKRestoreInit(nullptr, 0, 0, U(path).c_str(), nullptr, &Progress, nullptr);
        EXPECT_EQ(Refusals(), c.refusals) << c.name;
        if (c.outcome == Outcome::Refused) {
            EXPECT_EQ(job, nullptr) << c.name;
            EXPECT_EQ(N(vk::ui::ShownLog().back().text), "Problem unzipping " + path + " to temp folder");
            continue;
        }
        ASSERT_NE(job, nullptr) << c.name;
        EXPECT_EQ((job->flags & VKF_PLAIN_SOURCE) != 0, c.outcome == Outcome::Plain) << c.name;
        if (c.outcome == Outcome::Unpacked) {
            // The damaged entry is missing, the rest is there.
            EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, u"b.ini"), StatusOk);
            EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, u"a.ini"), StatusNoSourceFile);
            // Announced once, when the archive was opened; the item finds no source.
            EXPECT_EQ(Refusals(), 1) << c.name;
            int warnings = 0;
            for (const auto &shown : vk::ui::ShownLog())
                warnings += N(shown.text) == "Problem unzipping 4001/a.ini to temp folder";
            EXPECT_EQ(warnings, 1) << c.name;
            EXPECT_EQ(ReadFile(Dir("config") + "a.ini"), "[A]\r\n" + std::string(20000, 'a') + "=1\r\n"); // untouched
        }
        EXPECT_EQ(VKRestoreClose(job), 1);
    }
    // Appending to an archive with a damaged entry keeps that entry as it is
    // stored (it is not unpacked and zipped again), beside the new ones.
    const std::string damaged = Dir("backup") + "damaged.vkb";
    WriteFile(damaged, corrupt);
    BackupJob *job =
        VKBackupInit(nullptr, VKF_APPEND_SERVICES, 0, U(Dir("backup") + "x.serv.vkb").c_str(), nullptr, nullptr,
                     nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    VKBackupClose(job);
    std::filesystem::rename(damaged, Dir("backup") + "x.serv.vkb");
    WriteFile(Dir("config") + "c.ini", "[C]\r\n");
    job = VKBackupInit(nullptr, VKF_APPEND_SERVICES, 0, U(Dir("backup") + "x.serv.vkb").c_str(), nullptr, nullptr,
                       nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("config") + "c.ini").c_str()), StatusOk);
    EXPECT_EQ(VKBackupClose(job), 1);
    const std::string appended = ReadFile(Dir("backup") + "x.serv.vkb");
    EXPECT_NE(appended.find(corrupt.substr(data + 12, 12)), std::string::npos); // the damaged data as stored
    EXPECT_EQ(ZipEntry(Dir("backup") + "x.serv.vkb", "4001/b.ini"), ReadFile(Dir("config") + "b.ini"));
    EXPECT_EQ(ZipEntry(Dir("backup") + "x.serv.vkb", "4001/c.ini"), ReadFile(Dir("config") + "c.ini"));
    EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);
}

TEST_F(BadInputTest, OddMetadata) {
    struct Case {
        const char *name;
        std::vector<std::pair<std::string, std::string>> entries;
        const char *services; // below the work folder
    };
    const std::string binary("\0\xff\xfe[\x01=\x02\n\r[[]]=\xc3\x28", 16);
    const Case cases[] = {
        {"no Backup.why", {{"4001/a.ini", "[A]\r\n"}}, ".wsv"},
        {"binary Backup.why", {{"Backup.why", binary}, {"4001/a.ini", "[A]\r\n"}}, ".wsv"},
        {"broken records",
         {{"Backup.why", "[Talvern Backup Utility]\r\nName\r\n=x\r\n[FileBk]\r\n4001\\a.ini=\r\n4001\\a.ini=junk\r\n"
                         "[IniBk]\r\n1=\r\n2=0\r\n3=0,,\r\n4=,1004,P\r\n"},
          {"4001/a.ini", "[A]\r\n"}},
         ".wsv"},
        {"Backup.why a folder", {{"Backup.why/", ""}, {"4001/a.ini", "[A]\r\n"}}, ".wsv"},
        {"duplicate entries",
         {{"Backup.why", "[Talvern Backup Utility]\r\nName=dup\r\n"}, {"4001/a.ini", "[A]\r\n"}, {"4001/a.ini", "[A]\r\n"}},
         "dup.wsv"},
    };
    for (const Case &c : cases) {
        Log() = ProgressLog{};
        const std::string archive = tmp.file("odd.vkb");
        std::filesystem::remove(archive);
        ASSERT_TRUE(MakeZip(archive, c.entries)) << c.name;
        BackupJob *job = VKRestoreInit(nullptr, 0, 0, U(archive).c_str(), nullptr, &Progress, nullptr);
        ASSERT_NE(job, nullptr) << c.name;
        EXPECT_EQ(job->flags & VKF_PLAIN_SOURCE, 0u) << c.name;
        EXPECT_EQ(N(job->servicesPath), N(job->workFolder) + c.services) << c.name;
        std::vector<int> codes;
        // Init's own codes; 13 names a refused entry while unpacking.
        for (int code : Log().Codes())
            if (code == 0 || (code >= 6 && code != 13)) codes.push_back(code);
        codes.resize(std::min<size_t>(codes.size(), 6));
        EXPECT_EQ(codes, (std::vector<int>{0, 6, 7, 8, 10, 12})) << c.name;
        EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, u"a.ini"), StatusOk) << c.name;
        EXPECT_EQ(ReadFile(Dir("config") + "a.ini"), "[A]\r\n");
        EXPECT_EQ(VKRestoreClose(job), 1) << c.name;
    }
    EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);

    // A "Backup.why" that cannot be unpacked (here a link) leaves the archive
    // without its metadata: refused, not taken for a current archive.
    const std::string archive = tmp.file("odd.vkb");
    std::filesystem::remove(archive);
    ASSERT_TRUE(MakeZip(archive, {{"Backup.why", "->/etc/passwd"}, {"4001/a.ini", "[A]\r\n"}}));
    EXPECT_EQ(VKRestoreInit(nullptr, 0, 0, U(archive).c_str(), nullptr, &Progress, nullptr), nullptr);
    EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);
}

TEST_F(BadInputTest, CancelWhileZipping) {
    for (int i = 0; i < 30; ++i) WriteFile(Dir("config") + "f" + std::to_string(i) + ".ini", std::string(3000, 'x'));
    for (bool existing : {false, true}) {
        const std::string archive = Dir("backup") + "cancel.vkb";
        if (existing) WriteFile(archive, "previous archive");
        cancel = 0;
        Log() = ProgressLog{};
        BackupJob *job =
            VKBackupInit(nullptr, VKF_OVERWRITE, 0, U(archive).c_str(), nullptr, &Progress, &cancel, nullptr);
        ASSERT_NE(job, nullptr);
        for (int i = 0; i < 30; ++i)
            VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("config") + "f" + std::to_string(i) + ".ini").c_str());
        Log().cancelAfter = 5;
        Log().cancelFlag = &cancel;
        EXPECT_EQ(VKBackupClose(job), 0);
        EXPECT_LT(Log().Texts(2).size(), 30u);
        if (existing) {
            EXPECT_EQ(ReadFile(archive), "previous archive");
        } else {
            EXPECT_FALSE(vk::test::FileExists(archive));
        }
        std::vector<std::string> left;
        for (const auto &e : std::filesystem::directory_iterator(Dir("backup"))) left.push_back(e.path().filename().string());
        EXPECT_EQ(left.size(), existing ? 1u : 0u);
        EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);
    }
}

TEST_F(BadInputTest, RestoreProblemsOfTheDestination) {
    const std::string archive = EngineArchive("dest.vkb");
    // A read-only destination (10), a folder in the way of the destination's
    // folder (9), a missing entry (6).
    WriteFile(Dir("config") + "a.ini", "installed");
    std::filesystem::permissions(Dir("config") + "a.ini", std::filesystem::perms::owner_read);
    BackupJob *job = VKRestoreInit(nullptr, VKF_QUIET, 0, U(archive).c_str(), nullptr, nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    ASSERT_TRUE(vk::ui::QueueAnswers(u"box(Talvern 7):Yes"));
    EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, u"a.ini"), StatusAccessDenied);
    EXPECT_EQ(ReadFile(Dir("config") + "a.ini"), "installed");
    EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, u"missing.ini"), StatusNoSourceFile);
    EXPECT_EQ(VKRestoreClose(job), 1);
}

// A small file system of its own, when the system lets this process mount one.
TEST_F(BadInputTest, FullDisk) {
    const std::string small = tmp.path() + "small/";
    std::filesystem::create_directories(small);
    if (Shell("mount -t tmpfs -o size=256k tmpfs " + Quote(small)) != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
    struct Unmount {
        std::string path;
        ~Unmount() { Shell("umount " + Quote(path)); }
    } unmount{small};

    // The archive's folder is full: the close fails, the old archive stays.
    const std::string archive = small + "full.vkb";
    WriteFile(archive, "old archive");
    std::string noise;
    for (unsigned i = 0; noise.size() < 600000; ++i) noise += std::to_string(i * 2654435761u);
    WriteFile(Dir("config") + "big.ini", noise);
    BackupJob *job = VKBackupInit(nullptr, VKF_OVERWRITE, 0, U(archive).c_str(), nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("config") + "big.ini").c_str()), StatusOk);
    EXPECT_EQ(VKBackupClose(job), 0);
    EXPECT_EQ(ReadFile(archive), "old archive");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(small), std::filesystem::directory_iterator()), 1);

    // The installation's temporary folder is full: file items do not pass
    // through it (they are read straight into the archive), so the backup
    // still succeeds, and nothing is left there.
    UseInstallation(root_);
    std::string reg = ReadFile(tmp.file("registry.reg"));
    reg.replace(reg.find(Dir("temp")), Dir("temp").size(), small);
    WriteFile(tmp.file("registry.reg"), reg);
    vk::lib::LoadDirectories();
    std::filesystem::remove(archive);
    job = VKBackupInit(nullptr, VKF_QUIET, 0, U(Dir("backup") + "t.vkb").c_str(), nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("config") + "big.ini").c_str()), StatusOk);
    EXPECT_EQ(VKBackupClose(job), 1);
    EXPECT_EQ(ZipEntry(Dir("backup") + "t.vkb", "4001/big.ini"), noise);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(small), std::filesystem::directory_iterator()), 0);
}

} // namespace
} // namespace vk::enginetest
