// The backup job through its exports: choosing the archive, appending or
// replacing, the metadata it starts, item calls and the close.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/memory.h"
#include "lib/engine/job.h"
#include "lib/engine/metadata.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
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

std::string Ini(const std::u16string &file, const char16_t *section, const char16_t *key) {
    return N(vk::ini::ReadString(section, key, u"", file));
}

class BackupJobTest : public EngineTest {
protected:
    // The value of a key of the archive's "Backup.why".
    std::string WhyOf(const std::string &archive, const char16_t *section, const char16_t *key) {
        const std::string copy = tmp.file("why-" + std::to_string(++whyCopies_) + ".ini");
        WriteFile(copy, ZipEntry(archive, "Backup.why"));
        return Ini(U(copy), section, key);
    }
    // An archive as an earlier backup left it.
    std::string OldArchive(const std::string &name, const std::string &version = "8.0") {
        const std::string path = Dir("backup") + name;
        std::string why = "[Talvern Backup Utility]\r\nName=old\r\nBackupDate=123\r\n";
        if (!version.empty()) why += "BackupVersion=" + version + "\r\n";
        why += "[Comment]\r\n1=weekly\r\n[FileBk]\r\n4001\\a.ini=0,4001\r\n[ToolRestore]\r\nGR-GR1001=0\r\n";
        EXPECT_TRUE(MakeZip(path, {{"Backup.why", why}, {"4001/a.ini", "[A]\r\nx=old\r\n"}}));
        return path;
    }
    int whyCopies_ = 0;
};

TEST_F(BackupJobTest, SaveDialogNamesTheArchive) {
    struct Case {
        const char *answer;
        const char *expected; // below the backup folder; "" = no job
    };
    const Case cases[] = {
        {"day1", "day1.conf.vkb"},          {"day1.conf.vkb", "day1.conf.vkb"},
        {"DAY2.CONF.VKB", "DAY2.CONF.VKB"}, {"day3.zip", "day3.zip.conf.vkb"},
        {"", ""},
    };
    for (const Case &c : cases) {
        vk::ui::ClearShownLog();
        ASSERT_TRUE(vk::ui::QueueAnswers(U(std::string("file:") + c.answer)));
        BackupJob *job = VKBackupInit(nullptr, 0, 0, nullptr, u".conf.vkb;.vkb", nullptr, nullptr, nullptr);
        ASSERT_EQ(job != nullptr, *c.expected != 0) << c.answer;
        const auto &shown = vk::ui::ShownLog();
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.front().what, vk::ui::Shown::What::File);
        EXPECT_EQ(N(shown.front().caption), "Back up to");
        if (job) {
            EXPECT_EQ(N(job->archivePath), Dir("backup") + c.expected);
            EXPECT_NE(VKBackupClose(job), 0);
        }
    }
    // An existing file keeps its name whatever its extension.
    WriteFile(Dir("backup") + "keep.bin", "x");
    ASSERT_TRUE(vk::ui::QueueAnswers(u"file:keep.bin"));
    BackupJob *job = VKBackupInit(nullptr, VKF_OVERWRITE, 0, nullptr, u".conf.vkb", nullptr, nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(N(job->archivePath), Dir("backup") + "keep.bin");
    VKBackupClose(job);
    EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);
}

TEST_F(BackupJobTest, FolderPathOpensTheDialogThereAndAFilePathSkipsIt) {
    const std::string other = tmp.path() + "other/";
    std::filesystem::create_directories(other);
    ASSERT_TRUE(vk::ui::QueueAnswers(u"file:x"));
    BackupJob *job = VKBackupInit(nullptr, 0, 0, U(other).c_str(), nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(N(job->archivePath), other + "x.vkb");
    EXPECT_NE(VKBackupClose(job), 0);
    EXPECT_TRUE(vk::test::FileExists(other + "x.vkb"));

    vk::ui::ClearShownLog();
    job = VKBackupInit(nullptr, 0, 0, U(other + "direct").c_str(), nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(N(job->archivePath), other + "direct"); // given names are taken as they stand
    EXPECT_TRUE(vk::ui::ShownLog().empty());
    VKBackupClose(job);
}

TEST_F(BackupJobTest, InitStartsTheMetadata) {
    const uint64_t before = vk::fs::NowFileTime();
    const std::string archive = Dir("backup") + "x.y.conf.vkb";
    BackupJob *job = VKBackupInit(nullptr, 0, 0, U(archive).c_str(), u".conf.vkb", &Progress, &cancel,
                                  u"-Comment 'weekly' -other");
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(job->flags, VKF_BACKUP);
    EXPECT_EQ(N(job->name), "x.y.conf");
    EXPECT_EQ(N(job->metadataPath), N(job->workFolder) + "Backup.why");
    EXPECT_EQ(Log().Codes(), std::vector<int>{0});
    EXPECT_EQ(Log().calls[0].text, archive);
    EXPECT_EQ(VKBackupClose(job), 1);

    EXPECT_EQ(ZipEntries(archive), std::vector<std::string>{"Backup.why"});
    EXPECT_EQ(WhyOf(archive, u"Talvern Backup Utility", u"Name"), "x.y.conf");
    EXPECT_EQ(WhyOf(archive, u"Talvern Backup Utility", u"BackupVersion"), "7.0");
    EXPECT_EQ(WhyOf(archive, u"Talvern Backup Utility", u"AppendDate"), "");
    const std::string date = WhyOf(archive, u"Talvern Backup Utility", u"BackupDate");
    ASSERT_FALSE(date.empty());
    EXPECT_EQ(date.find_first_not_of("0123456789"), std::string::npos) << date;
    EXPECT_GE(std::stoull(date), before);
    EXPECT_LE(std::stoull(date), vk::fs::NowFileTime());
    EXPECT_EQ(WhyOf(archive, u"Comment", u"1"), "weekly");
    EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);
}

TEST_F(BackupJobTest, CommentTexts) {
    struct Case {
        const char16_t *command;
        const char *stored;
    };
    const Case cases[] = {
        {u"-Comment 'weekly'", "weekly"}, {u"-Comment weekly", "weekly"}, {u"Comment 'open", "open"},
        {u"-Remark 'x'", ""},             {nullptr, ""},                  {u"-comment 'lower'", ""},
    };
    int n = 0;
    for (const Case &c : cases) {
        const std::string archive = Dir("backup") + "c" + std::to_string(++n) + ".vkb";
        BackupJob *job = VKBackupInit(nullptr, 0, 0, U(archive).c_str(), nullptr, nullptr, nullptr, c.command);
        ASSERT_NE(job, nullptr);
        ASSERT_EQ(VKBackupClose(job), 1);
        EXPECT_EQ(WhyOf(archive, u"Comment", u"1"), c.stored) << N(vk::text::View(c.command));
    }
}

TEST_F(BackupJobTest, ItemCallsBeforeDispatch) {
    EXPECT_EQ(VKBackup(nullptr, 4001, 0, 0, nullptr, nullptr, u"/x"), StatusFailed);
    BackupJob *job = VKBackupInit(nullptr, 0, 0, U(Dir("backup") + "a.vkb").c_str(), nullptr, nullptr, &cancel,
                                  nullptr);
    ASSERT_NE(job, nullptr);
    cancel = 1;
    EXPECT_EQ(VKBackup(job, 4001, 0, 0, nullptr, nullptr, u"/x"), StatusCancelled);
    EXPECT_EQ(job->started, 0);
    cancel = 0;
    // Types without a handler: 1999 and 5003 (never direct), anything else.
    // No warning on a backup.
    for (int32_t type : {1999, 5003, 99999, 0, -1, 8000})
        EXPECT_EQ(VKBackup(job, type, 0, 0, u"n", nullptr, u"p"), StatusInvalidBackupType) << type;
    // A service its file does not hold, a tool without an identifier.
    EXPECT_EQ(VKBackup(job, 1000, 0, 0, u"n", nullptr, u"p"), StatusFailed);
    EXPECT_EQ(VKBackup(job, 1001, 0, 0, u"n", nullptr, u"p"), StatusFailed);
    EXPECT_EQ(job->started, 1);
    EXPECT_TRUE(vk::ui::ShownLog().empty());
    EXPECT_EQ(VKBackupClose(job), 1);
    EXPECT_EQ(VKBackupClose(nullptr), 0);
}

TEST_F(BackupJobTest, ReplacingKeepsTheOldArchiveUntilTheNewOneIsComplete) {
    WriteFile(Dir("config") + "new.ini", "[N]\r\nk=v\r\n");
    struct Case {
        uint32_t flags;
        const char16_t *answers;
    };
    const Case cases[] = {{VKF_OVERWRITE, u""}, {0, u"dialog 113:7"}};
    for (const Case &c : cases) {
        const std::string archive = OldArchive("r.vkb");
        const std::string old = ReadFile(archive);
        // A cancelled close leaves the old archive as it was.
        ASSERT_TRUE(vk::ui::QueueAnswers(c.answers));
        BackupJob *job = VKBackupInit(nullptr, c.flags, 0, U(archive).c_str(), nullptr, nullptr, &cancel, nullptr);
        ASSERT_NE(job, nullptr);
        EXPECT_EQ(ReadFile(archive), old);
        EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("config") + "new.ini").c_str()), StatusOk);
        cancel = 1;
        EXPECT_EQ(VKBackupClose(job), 0);
        cancel = 0;
        EXPECT_EQ(ReadFile(archive), old);
        EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);

        // A complete close replaces it with the new content only.
        ASSERT_TRUE(vk::ui::QueueAnswers(c.answers));
        job = VKBackupInit(nullptr, c.flags, 0, U(archive).c_str(), nullptr, nullptr, &cancel, nullptr);
        ASSERT_NE(job, nullptr);
        EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("config") + "new.ini").c_str()), StatusOk);
        EXPECT_EQ(VKBackupClose(job), 1);
        EXPECT_EQ(ZipEntries(archive), (std::vector<std::string>{"4001/new.ini", "Backup.why"}));
        EXPECT_EQ(WhyOf(archive, u"Talvern Backup Utility", u"Name"), "r");
        EXPECT_EQ(Shell("unzip -tq " + Quote(archive)), 0);
        std::filesystem::remove(archive);
    }
}

TEST_F(BackupJobTest, ExistsDialogTextsAndCancel) {
    const std::string archive = OldArchive("d.vkb");
    const std::string old = ReadFile(archive);
    ASSERT_TRUE(vk::ui::QueueAnswers(u"dialog 113:2"));
    EXPECT_EQ(VKBackupInit(nullptr, 0, 0, U(archive).c_str(), nullptr, &Progress, nullptr, nullptr), nullptr);
    const auto &shown = vk::ui::ShownLog();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].dialogId, 113);
    EXPECT_EQ(N(shown[0].caption), "Warning");
    EXPECT_NE(N(shown[0].text).find("Backup file exists.  Do you want to append/refresh"), std::string::npos);
    EXPECT_TRUE(Log().calls.empty());
    EXPECT_EQ(ReadFile(archive), old);
    EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);
}

TEST_F(BackupJobTest, AppendKeepsTheArchiveAndRenewsItsRecords) {
    const std::string archive = OldArchive("a.conf.vkb", "8.0");
    WriteFile(Dir("config") + "b.ini", "[B]\r\nk=v\r\n");
    WriteFile(Dir("config") + "a.ini", "[A]\r\nx=installed\r\n");
    const uint64_t before = vk::fs::NowFileTime();
    const char16_t *comments[] = {u"-Comment 'WEEKLY'", u"-Comment 'monthly'"};
    for (const char16_t *comment : comments) {
        ASSERT_TRUE(vk::ui::QueueAnswers(u"dialog 113:6"));
        BackupJob *job = VKBackupInit(nullptr, 0, 0, U(archive).c_str(), nullptr, &Progress, nullptr, comment);
        ASSERT_NE(job, nullptr);
        EXPECT_EQ(job->append, 1);
        EXPECT_EQ(N(job->name), "old");
        EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("config") + "b.ini").c_str()), StatusOk);
        // The copy the archive holds stays.
        EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("config") + "a.ini").c_str()), StatusOk);
        EXPECT_EQ(VKBackupClose(job), 1);
    }
    EXPECT_EQ(ZipEntries(archive), (std::vector<std::string>{"4001/a.ini", "4001/b.ini", "Backup.why"}));
    EXPECT_EQ(ZipEntry(archive, "4001/a.ini"), "[A]\r\nx=old\r\n");
    EXPECT_EQ(WhyOf(archive, u"Talvern Backup Utility", u"Name"), "old");
    EXPECT_EQ(WhyOf(archive, u"Talvern Backup Utility", u"BackupDate"), "123");
    EXPECT_EQ(WhyOf(archive, u"Talvern Backup Utility", u"BackupVersion"), "7.0");
    EXPECT_GE(std::stoull(WhyOf(archive, u"Talvern Backup Utility", u"AppendDate")), before);
    EXPECT_EQ(WhyOf(archive, u"ToolRestore", u"GR-GR1001"), "");
    EXPECT_EQ(WhyOf(archive, u"Comment", u"1"), "weekly");
    EXPECT_EQ(WhyOf(archive, u"Comment", u"2"), "monthly");
    EXPECT_EQ(WhyOf(archive, u"Comment", u"3"), "");
    EXPECT_EQ(WhyOf(archive, u"FileBk", u"4001\\b.ini"), "0,4001");
    // No question of the version-7 rules: the restore side only unpacked.
    for (const auto &s : vk::ui::ShownLog()) EXPECT_EQ(s.what, vk::ui::Shown::What::Dialog);
    EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);
}

TEST_F(BackupJobTest, AppendToAnUnusableArchiveFromTheDialog) {
    const std::string archive = OldArchive("u.vkb", "7.1");
    const std::string old = ReadFile(archive);
    ASSERT_TRUE(vk::ui::QueueAnswers(u"dialog 113:6"));
    EXPECT_EQ(VKBackupInit(nullptr, 0, 0, U(archive).c_str(), nullptr, nullptr, nullptr, nullptr), nullptr);
    std::vector<std::string> boxes;
    for (const auto &s : vk::ui::ShownLog())
        if (s.what == vk::ui::Shown::What::Box) boxes.push_back(N(s.caption) + ": " + N(s.text));
    EXPECT_EQ(boxes, (std::vector<std::string>{
                         "Warning: Unknown backup version, cannot restore",
                         "Note: File is not a valid backup: nothing can be appended to it.\n\nPress Delete to replace the file "
                         "with the new backup, or Cancel to stop."}));
    EXPECT_EQ(ReadFile(archive), old);
    EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);
}

TEST_F(BackupJobTest, ServicesArchivesAreAppendedWithoutAsking) {
    struct Case {
        const char *name;
        const char *version;
        bool dialog;
        bool job;
    };
    const Case cases[] = {
        {"a.serv.VKB", "8.0", false, true},
        {".serv.vkb", "8.0", true, false}, // the dialog is cancelled
        {"b.serv.vkb", "9.9", false, false},
        {"c.conf.vkb", "8.0", true, false},
    };
    for (const Case &c : cases) {
        vk::ui::ClearShownLog();
        const std::string archive = OldArchive(c.name, c.version);
        ASSERT_TRUE(vk::ui::QueueAnswers(u"dialog 113:2"));
        BackupJob *job =
            VKBackupInit(nullptr, VKF_APPEND_SERVICES, 0, U(archive).c_str(), nullptr, nullptr, nullptr, nullptr);
        EXPECT_EQ(job != nullptr, c.job) << c.name;
        bool dialogShown = false;
        std::string note;
        for (const auto &s : vk::ui::ShownLog()) {
            if (s.what == vk::ui::Shown::What::Dialog) dialogShown = true;
            if (N(s.caption) == "Note") note = N(s.text);
        }
        EXPECT_EQ(dialogShown, c.dialog) << c.name;
        if (std::string(c.version) == "9.9") {
            EXPECT_EQ(note, "File is not a valid backup, creating a new file.");
        }
        if (job) {
            EXPECT_EQ(job->append, 1);
            EXPECT_EQ(VKBackupClose(job), 1);
        }
        vk::ui::ClearAnswers();
        EXPECT_EQ(WorkFolderCount(Dir("temp")), 0) << c.name;
    }
}

TEST_F(BackupJobTest, AFileThatIsNoArchiveIsReplacedOnAppend) {
    const std::string archive = Dir("backup") + "plain.conf.vkb";
    WriteFile(archive, "not an archive at all");
    ASSERT_TRUE(vk::ui::QueueAnswers(u"dialog 113:6"));
    BackupJob *job = VKBackupInit(nullptr, 0, 0, U(archive).c_str(), nullptr, nullptr, nullptr, u"Comment 'c'");
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(job->append, 1);
    EXPECT_EQ(VKBackupClose(job), 1);
    EXPECT_EQ(ZipEntries(archive), std::vector<std::string>{"Backup.why"});
    EXPECT_EQ(WhyOf(archive, u"Talvern Backup Utility", u"BackupVersion"), "7.0");
    EXPECT_EQ(WhyOf(archive, u"Comment", u"1"), "c");
}

TEST_F(BackupJobTest, ReportOnlyAfterItemsAndWhenDueOrAsked) {
    WriteFile(Dir("config") + "ok.ini", "[A]\r\n");
    struct Case {
        uint32_t flags;
        const char *item; // "" none, "ok.ini" succeeds, "missing.ini" fails
        bool report;
    };
    const Case cases[] = {
        {VKF_REPORT, "", false},        {0, "ok.ini", false},           {VKF_REPORT, "ok.ini", true},
        {0, "missing.ini", true},       {VKF_QUIET, "missing.ini", false},
    };
    int n = 0;
    for (const Case &c : cases) {
        reports.clear();
        const std::string archive = Dir("backup") + "rep" + std::to_string(++n) + ".vkb";
        BackupJob *job = VKBackupInit(nullptr, c.flags, 0, U(archive).c_str(), nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(job, nullptr);
        if (*c.item) VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("config") + c.item).c_str());
        VKBackupClose(job);
        ASSERT_EQ(reports.size(), c.report ? 1u : 0u) << n;
        if (c.report) {
            const std::string path = N(reports[0]);
            EXPECT_EQ(path.rfind(Dir("backup"), 0), 0u) << path;
            EXPECT_NE(path.find("BackupResults.txt"), std::string::npos);
            const std::string text = ReadFile(path);
            EXPECT_NE(text.find(std::string(c.item) + " : "), std::string::npos) << text;
            std::filesystem::remove(path);
        }
    }
}

TEST_F(BackupJobTest, WorkFolderInAMissingTempFolderAndAnImpossibleOne) {
    std::filesystem::remove_all(Dir("temp"));
    BackupJob *job = VKBackupInit(nullptr, 0, 0, U(Dir("backup") + "t.vkb").c_str(), nullptr, nullptr, nullptr,
                                  nullptr);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(N(job->workFolder).rfind(Dir("temp") + "wtd", 0), 0u);
    EXPECT_EQ(VKBackupClose(job), 1);

    // The temporary folder's place is taken by a file: no work folder.
    std::filesystem::remove_all(Dir("temp"));
    WriteFile(root_ + "temp", "file");
    EXPECT_EQ(VKBackupInit(nullptr, 0, 0, U(Dir("backup") + "t2.vkb").c_str(), nullptr, nullptr, nullptr, nullptr),
              nullptr);
    ASSERT_EQ(vk::ui::ShownLog().size(), 1u);
    EXPECT_EQ(N(vk::ui::ShownLog()[0].text), "Problem creating Talvern backup directory.  Cannot do backup");
    EXPECT_EQ(vk::ui::ShownLog()[0].flags & 0xF0, vk::ui::kMbIconError);
    EXPECT_FALSE(vk::test::FileExists(Dir("backup") + "t2.vkb"));
}

TEST_F(BackupJobTest, NoMemoryForTheJob) {
    vk::FailNextAllocations(1);
    EXPECT_EQ(VKBackupInit(nullptr, 0, 0, U(Dir("backup") + "m.vkb").c_str(), nullptr, nullptr, nullptr, nullptr),
              nullptr);
    vk::FailNextAllocations(0);
    EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);
}

} // namespace
} // namespace vk::enginetest
