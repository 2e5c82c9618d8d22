// The restore job through its exports: choosing and checking the archive, the
// version gate and its hooks, what Init announces, item calls and the close.
#include <gtest/gtest.h>

#include <filesystem>

#include "lib/engine/job.h"
#include "lib/engine/metadata.h"
#include "lib/engine/translate_hooks.h"
#include "lib/engine/work_folder.h"
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

class RestoreJobTest : public EngineTest {
protected:
    std::string Archive(const std::string &name, const std::string &why,
                        std::vector<std::pair<std::string, std::string>> entries = {}) {
        const std::string path = Dir("backup") + name;
        if (!why.empty()) entries.insert(entries.begin(), {"Backup.why", why});
        EXPECT_TRUE(MakeZip(path, entries));
        return path;
    }
    BackupJob *Open(const std::string &archive, uint32_t flags = 0) {
        return VKRestoreInit(nullptr, flags, 0, U(archive).c_str(), nullptr, &Progress, &cancel);
    }
    // The progress codes of Init after the unpacking (the archive's own
    // codes 1 to 5 left out).
    static std::vector<int> InitCodes() {
        std::vector<int> out;
        for (int c : Log().Codes())
            if (c == 0 || c >= 6) out.push_back(c);
        return out;
    }
    static std::vector<std::string> Boxes() {
        std::vector<std::string> out;
        for (const auto &s : vk::ui::ShownLog())
            if (s.what == vk::ui::Shown::What::Box) out.push_back(N(s.caption) + ": " + N(s.text));
        return out;
    }
};

TEST_F(RestoreJobTest, OpenDialogAndMissingFiles) {
    // The Open dialog cancelled (its headless default).
    EXPECT_EQ(VKRestoreInit(nullptr, 0, 0, nullptr, u".conf.vkb", &Progress, nullptr), nullptr);
    ASSERT_EQ(vk::ui::ShownLog().size(), 1u);
    EXPECT_EQ(N(vk::ui::ShownLog()[0].caption), "Restore from");
    EXPECT_TRUE(Log().calls.empty());

    const std::string archive = Archive("chosen.conf.vkb", "[Talvern Backup Utility]\r\nName=n\r\n");
    ASSERT_TRUE(vk::ui::QueueAnswers(u"file:chosen.conf.vkb"));
    BackupJob *job = VKRestoreInit(nullptr, 0, 0, U(Dir("backup")).c_str(), nullptr, nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(N(job->archivePath), archive);
    EXPECT_EQ(VKRestoreClose(job), 1);

    vk::ui::ClearShownLog();
    for (const std::string &path : {Dir("backup") + "missing.vkb", Dir("config")}) {
        EXPECT_EQ(VKRestoreInit(nullptr, 0, 0, U(path.substr(0, path.size() - (path.back() == '/'))).c_str(), nullptr,
                                nullptr, nullptr),
                  nullptr);
    }
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Warning: File not found.", "Warning: File not found."}));
    EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);
}

TEST_F(RestoreJobTest, CurrentArchiveAnnouncesItsContentInOrder) {
    const std::string archive = Archive("cur.vkb",
                                        "[Talvern Backup Utility]\r\nName=cur\r\nBackupDate=133000000000000001\r\n"
                                        "AppendDate=133000000000000002\r\n[Comment]\r\n1=first\r\n2=second\r\n"
                                        "[IniBk]\r\n1=0,1004,Printers\r\n2=11,1005,Preferences,Depth\r\n"
                                        "3=0,1005,Preferences,Units\r\n4=garbage\r\n5=0,1006\r\n6=0,4242,X,y\r\n"
                                        "8=0,1003,Screen,Never\r\n",
                                        {{"4001/services.ini", "[Services]\r\n"}});
    BackupJob *job = Open(archive);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(job->translate, &vk::engine::PassThroughHook);
    EXPECT_EQ(N(job->backupVersion), "8.0");
    EXPECT_EQ(job->flags & (VKF_REPORT_DUE | VKF_PLAIN_SOURCE), 0u);
    EXPECT_EQ(InitCodes(), (std::vector<int>{0, 6, 7, 8, 10, 12, 11, 11, 11}));
    const std::string work = N(job->workFolder);
    std::vector<std::string> seen;
    for (const ProgressCall &c : Log().calls) {
        if (c.code == 0) seen.push_back("0 " + c.text);
        if (c.code >= 6 && c.code <= 8) seen.push_back(std::to_string(c.code) + " " + c.text);
        if (c.code == 10 || c.code == 12) seen.push_back(std::to_string(c.code) + " " + std::to_string(c.number) + " " + c.text);
        if (c.code == 11) seen.push_back("11 " + c.name + " " + c.text);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "0 " + archive, "6 " + work, "7 " + work + "4001/services.ini", "8 " + work + "cur.wcf",
                        "10 133000000000000001 first", "12 133000000000000002 second", "11 Printers Printers",
                        "11 Preferences Preferences,Units", "11 Unknown X,y"}));
    // Entries reach the caller as their destinations; Backup.why does not.
    EXPECT_EQ(Log().Texts(2), std::vector<std::string>{Dir("config") + "services.ini"});
    EXPECT_EQ(VKRestoreClose(job), 1);
    EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);
}

TEST_F(RestoreJobTest, ArchiveWithoutVersionOrDates) {
    const std::string archive = Archive("bare.vkb", "[Other]\r\nx=1\r\n");
    BackupJob *job = Open(archive);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(InitCodes(), (std::vector<int>{0, 6, 7, 8, 10, 12}));
    for (const ProgressCall &c : Log().calls) {
        if (c.code == 10 || c.code == 12) {
            EXPECT_EQ(c.number, 0) << c.code;
        }
    }
    // No confirmation is needed for a current archive.
    EXPECT_EQ(VKRestore(job, 4001, 0, 0, nullptr, nullptr, u"nothing.ini"), StatusNoSourceFile);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(VKRestoreClose(job), 1);
}

TEST_F(RestoreJobTest, Version7ArchiveAsksOnceAndAlwaysReports) {
    // Made on 18 June 2022 (a file time).
    const std::string why = "[Talvern Backup Utility]\r\nName=v7\r\nBackupVersion=7.0\r\n"
                            "BackupDate=133000000000000000\r\n[Comment]\r\n1=c1\r\n2=c2\r\n";
    const std::string archive = Archive("v7.vkb", why,
                                        {{"4001/units.ini", "[U]\r\n"},
                                         {"2002/talvern.exe", "MZ"},
                                         {"2004/dumpcal.out", "out"},
                                         {"2004/other.out", "other"}});
    BackupJob *job = Open(archive);
    ASSERT_NE(job, nullptr);
    EXPECT_TRUE(vk::engine::Version7(*job));
    EXPECT_NE(job->flags & VKF_REPORT_DUE, 0u);
    EXPECT_EQ(InitCodes(), (std::vector<int>{0, 6, 7, 8, 10}));
    EXPECT_EQ(Log().Texts(10), std::vector<std::string>{"Talvern 7 Backup"});

    ASSERT_TRUE(vk::ui::QueueAnswers(u"box(Talvern 7):Yes"));
    EXPECT_EQ(VKRestore(job, 4001, 0, 0, nullptr, nullptr, u"units.ini"), StatusOk);
    EXPECT_EQ(VKRestore(job, 2002, 0, 0, nullptr, nullptr, u"talvern.exe"), StatusNotTranslated);
    EXPECT_EQ(VKRestore(job, 2004, 0, 0, nullptr, nullptr, u"dumpcal.out"), StatusSkipOne);
    EXPECT_EQ(VKRestore(job, 2004, 0, 0, nullptr, nullptr, u"other.out"), StatusOk);
    // Asked once, naming the archive and when it was made.
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].rfind("Verify to continue: Restore configuration from Talvern 7?\n\nArchive: " + archive +
                                   "\nMade: 2022-06-1",
                               0),
              0u)
        << Boxes()[0];
    EXPECT_FALSE(vk::test::FileExists(Dir("bin") + "talvern.exe"));
    EXPECT_FALSE(vk::test::FileExists(Dir("bin") + "dumpcal.out"));
    EXPECT_EQ(ReadFile(Dir("bin") + "other.out"), "other");
    EXPECT_EQ(N(vk::engine::ReadMetadata(*job, u"FileRestore", U(Dir("bin") + "talvern.exe"))),
              "14:Binary files not restored.  Not compatible with new version.,2002");
    EXPECT_EQ(VKRestoreClose(job), 1);
    ASSERT_EQ(reports.size(), 1u);
    const std::string report = ReadFile(N(reports[0]));
    EXPECT_NE(report.find("Restore Results"), std::string::npos);
    EXPECT_NE(report.find(Dir("bin") + "talvern.exe : Binary files not restored."), std::string::npos) << report;
}

TEST_F(RestoreJobTest, DecliningVersion7) {
    const std::string archive = Archive("v7.vkb", "[Talvern Backup Utility]\r\nBackupVersion=7.0\r\n");
    // With a cancel flag: the flag is set and every later call stops.
    BackupJob *job = Open(archive);
    ASSERT_NE(job, nullptr);
    ASSERT_TRUE(vk::ui::QueueAnswers(u"box:No"));
    EXPECT_EQ(VKRestore(job, 4001, 0, 0, nullptr, nullptr, u"a.ini"), StatusFailed);
    EXPECT_EQ(cancel, 1);
    EXPECT_EQ(VKRestore(job, 4001, 0, 0, nullptr, nullptr, u"a.ini"), StatusCancelled);
    EXPECT_EQ(job->started, 0);
    VKRestoreClose(job);
    EXPECT_TRUE(reports.empty()); // nothing was attempted
    cancel = 0;

    // Without one the question comes again.
    vk::ui::ClearShownLog();
    job = VKRestoreInit(nullptr, 0, 0, U(archive).c_str(), nullptr, nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    ASSERT_TRUE(vk::ui::QueueAnswers(u"box:No; box:No"));
    EXPECT_EQ(VKRestore(job, 4001, 0, 0, nullptr, nullptr, u"a.ini"), StatusFailed);
    EXPECT_EQ(VKRestore(job, 4001, 0, 0, nullptr, nullptr, u"a.ini"), StatusFailed);
    EXPECT_EQ(Boxes().size(), 2u);
    VKRestoreClose(job);
}

TEST_F(RestoreJobTest, UnknownVersionIsRefusedAndItsFolderRemoved) {
    for (const char *version : {"7.1", "9.0", "8", "x"}) {
        vk::ui::ClearShownLog();
        const std::string archive =
            Archive("bad.vkb", std::string("[Talvern Backup Utility]\r\nBackupVersion=") + version + "\r\n",
                    {{"4001/a.ini", "[A]\r\n"}});
        EXPECT_EQ(Open(archive), nullptr) << version;
        EXPECT_EQ(Boxes(), std::vector<std::string>{"Warning: Unknown backup version, cannot restore"});
        EXPECT_EQ(vk::ui::ShownLog().back().flags & 0xF0, vk::ui::kMbIconError);
        EXPECT_EQ(WorkFolderCount(Dir("temp")), 0) << version;
    }
    // Letter case and blanks do not matter to the accepted versions.
    const std::string archive = Archive("ok.vkb", "[Talvern Backup Utility]\r\nBackupVersion = 8.0 \r\n");
    BackupJob *job = Open(archive);
    ASSERT_NE(job, nullptr);
    VKRestoreClose(job);
}

TEST_F(RestoreJobTest, PlainSourceJobs) {
    struct Case {
        const char *name;
        std::string bytes;
    };
    const Case cases[] = {{"text.ini", "[Plain]\r\nk=v\r\n"}, {"empty.ini", ""}, {"short.ini", "PK"}};
    for (const Case &c : cases) {
        Log() = ProgressLog{};
        const std::string source = tmp.file(c.name);
        WriteFile(source, c.bytes);
        BackupJob *job = Open(source);
        ASSERT_NE(job, nullptr) << c.name;
        EXPECT_NE(job->flags & VKF_PLAIN_SOURCE, 0u);
        EXPECT_TRUE(InitCodes().empty()) << c.name;
        // The chosen file itself is restored, to a file of its own name only
        // (letter case aside); any other file item has no source.
        WriteFile(Dir("config") + "vars.ini", "[Vars]\r\n");
        EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, u"vars.ini"), StatusNoSourceFile) << c.name;
        EXPECT_EQ(VKRestore(job, 4001, 0, 0, nullptr, nullptr, U(std::string("plain-") + c.name).c_str()),
                  StatusNoSourceFile);
        EXPECT_EQ(ReadFile(Dir("config") + "vars.ini"), "[Vars]\r\n");
        EXPECT_FALSE(vk::test::FileExists(Dir("config") + "plain-" + c.name));
        std::string upper = c.name;
        for (char &ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, U(upper).c_str()), StatusOk) << c.name;
        EXPECT_EQ(ReadFile(Dir("config") + upper), c.bytes);
        EXPECT_EQ(VKRestoreClose(job), 1);
    }
    EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);
}

TEST_F(RestoreJobTest, ItemCallsAndUnknownTypes) {
    EXPECT_EQ(VKRestore(nullptr, 4001, 0, 0, nullptr, nullptr, u"a.ini"), StatusFailed);
    EXPECT_EQ(VKRestoreClose(nullptr), 0);
    BackupJob *job = Open(Archive("u.vkb", "[Talvern Backup Utility]\r\nName=u\r\n"));
    ASSERT_NE(job, nullptr);
    cancel = 1;
    EXPECT_EQ(VKRestore(job, 4001, 0, 0, nullptr, nullptr, u"a.ini"), StatusCancelled);
    cancel = 0;
    EXPECT_EQ(VKRestore(job, 4242, 0, 0, u"n", nullptr, u"p"), StatusInvalidBackupType);
    // Services and tools have their handlers: without a name nothing is copied.
    EXPECT_EQ(VKRestore(job, 1000, 0, 0, nullptr, u"k", nullptr), StatusFailed);
    EXPECT_EQ(VKRestore(job, 1001, 0, 0, u"GR", nullptr, nullptr), StatusFailed);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Cannot restore item: Unknown backup type 4242\n\nn,,p"}));
    EXPECT_EQ(vk::ui::ShownLog().back().flags & 0xF0, vk::ui::kMbIconWarning);
    EXPECT_EQ(VKRestoreClose(job), 1);
}

TEST_F(RestoreJobTest, HandedOverFolderStays) {
    BackupJob *job = Open(Archive("h.vkb", "[Talvern Backup Utility]\r\nName=h\r\n"));
    ASSERT_NE(job, nullptr);
    const std::u16string folder = job->workFolder;
    job->append = 1;
    EXPECT_EQ(VKRestoreClose(job), 1);
    EXPECT_TRUE(vk::fs::IsDirectory(folder));
    EXPECT_TRUE(vk::engine::RemoveWorkFolder(folder));
    EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);
}

TEST_F(RestoreJobTest, DefinitionFilesAndTheArchiveName) {
    struct Case {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
        std::string services, tools; // relative to the work folder
    };
    const Case cases[] = {
        {"day1.conf", {}, "day1.conf.wsv", "day1.conf.wcf"},
        {"d", {{"4001/tools.ini", "[Tools]\r\n"}}, "d.wsv", "4001/tools.ini"},
        // A name may not lead out of the work folder.
        {"../../evil", {}, "evil.wsv", "evil.wcf"},
        {"", {}, ".wsv", ".wcf"},
    };
    for (const Case &c : cases) {
        BackupJob *job = Open(Archive("n.vkb", "[Talvern Backup Utility]\r\nName=" + c.name + "\r\n", c.entries));
        ASSERT_NE(job, nullptr);
        EXPECT_EQ(N(job->servicesPath), N(job->workFolder) + c.services) << c.name;
        EXPECT_EQ(N(job->toolsPath), N(job->workFolder) + c.tools) << c.name;
        VKRestoreClose(job);
    }
}

TEST_F(RestoreJobTest, Version7HookRules) {
    BackupJob job;
    job.metadataPath = U(tmp.file("why.ini"));
    struct Case {
        int32_t type;
        const char16_t *destination;
        int result;
    };
    const Case cases[] = {
        {1000, u"/x/dumpcal.out", 0},       {1001, u"/x/a", 0},
        {2000, u"/b/a.exe", 13},            {2001, u"/b/b.dll", 13},
        {2002, u"/b/c.dll", 13},            {2003, u"/b/DUMPCAL.OUT", 3},
        {2004, u"/b/dumpcal.out", 3},       {2999, u"/b/dumpcal.out", 3},
        {3999, u"/d/dumpcal.out", 3},       {5999, u"/f/dumpcal.out", 3},
        {2004, u"/b/other.out", 0},         {4001, u"/c/dumpcal.out", 0},
        {3000, u"/d/dumpcal.out", 0},       {7999, u"/s/dumpcal.out", 0},
        {1003, u"/c/dumpcal.out", 0},       {99999, u"/t/dumpcal.out", 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(vk::engine::Version7Hook(&job, c.type, 0, 0, u"/src", c.destination, nullptr), c.result) << c.type;
        EXPECT_EQ(vk::engine::PassThroughHook(&job, c.type, 0, 0, u"/src", c.destination, nullptr), 0);
    }
    EXPECT_EQ(N(vk::engine::ReadMetadata(job, u"FileRestore", u"/b/b.dll")),
              "14:Binary files not restored.  Not compatible with new version.,2001");
}

TEST_F(RestoreJobTest, CancelWhileUnpackingGivesNoJob) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (int i = 0; i < 40; ++i) entries.push_back({"4001/f" + std::to_string(i) + ".ini", std::string(5000, 'a' + i % 26)});
    const std::string archive = Archive("many.vkb", "[Talvern Backup Utility]\r\nName=m\r\n", entries);
    Log().cancelAfter = 3;
    Log().cancelFlag = &cancel;
    EXPECT_EQ(Open(archive), nullptr);
    EXPECT_EQ(cancel, 1);
    EXPECT_LT(Log().Texts(2).size(), 40u);
    EXPECT_EQ(WorkFolderCount(Dir("temp")), 0);
}

} // namespace
} // namespace vk::enginetest
