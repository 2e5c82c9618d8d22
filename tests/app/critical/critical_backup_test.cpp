// The critical backup run: change detection, numbered folders, pruning and
// the note, on made-up installations and on a copy of the demo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/critical/critical_backup.h"
#include "app/shell/app_module.h"
#include "app/shell/settings.h"
#include "common/string_copy.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/ui/ui.h"
#include "tests/support/test_support.h"

using namespace vk::app;
using vk::CopyBounded;
using namespace vk::test;
namespace fsys = std::filesystem;

namespace {

constexpr uint64_t kDay = 864000000000ull; // file-time units

int pumps = 0;
void CountPump() { ++pumps; }

class CriticalRun : public ::testing::Test {
protected:
    void SetUp() override {
        vk::ui::ResetUiState();
        pumps = 0;
        ProgramFolders().backupTo[0] = u'\0';
        CopyBounded(reason, kReasonChars, u"Backup of critical files");
        WriteFile(dir.file("config/WProperties.ini"),
                  "[Window]\r\nLastJob=7\r\nLeft=10\r\n[Critical Files]\r\nCritBackupTo=" + dir.file("backup/") + "\r\n");
        WriteFile(dir.file("config/tools.ini"), "[Tools]\r\n1=GR\r\n");
        WriteFile(dir.file("config/a.tcf"), "panel a\r\n");
        WriteFile(dir.file("config/b.tcf"), "panel b\r\n");
        WriteFile(dir.file("config/talvern.ini"), "[Global]\r\nLastJob=3\r\nUnits=Metric\r\n");
        Settings("Config1=WProperties.ini;LastJob=;Left=\r\nConfig2=tools.ini\r\nConfig3=missing.ini\r\n"
                 "Config4=*.tcf\r\nConfig5=talvern.ini;LastJob=\r\nConfig7=never.ini\r\n");
    }
    void TearDown() override {
        vk::ini::Forget(nullptr);
        vk::ui::ResetUiState();
    }

    void Settings(const std::string &lines) { Rewrite("bin/vaultkeep.ini", "[Critical Files]\r\n" + lines); }
    // Rewrites a file and makes the settings cache read it afresh.
    void Rewrite(const std::string &rel, const std::string &bytes) {
        WriteFile(dir.file(rel), bytes);
        vk::ini::Forget(dir.ufile(rel).c_str());
    }
    CriticalContext Context() {
        CriticalContext c;
        c.module = AppModule();
        c.settingsPath = settings.c_str();
        c.propertiesPath = props.c_str();
        c.configDir = config.c_str();
        c.dirBackup = dirBackup.c_str();
        c.backupFrom = u"/inst/backup/";
        c.reason = reason;
        c.pump = CountPump;
        return c;
    }
    CriticalResult Run() {
        CriticalContext c = Context();
        return RunCriticalBackup(c);
    }
    std::vector<std::string> Folders() {
        std::vector<std::string> names;
        if (!fsys::exists(dir.file("backup"))) return names;
        for (const auto &e : fsys::directory_iterator(dir.file("backup"))) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Makes backup/<name> with the given age in days.
    void MakeFolder(const std::string &name, int ageDays) {
        fsys::create_directories(dir.file("backup/" + name));
        vk::fs::SetWriteTime(dir.ufile("backup/" + name), vk::fs::NowFileTime() - static_cast<uint64_t>(ageDays) * kDay);
    }

    TempFolder dir;
    std::u16string settings = dir.ufile("bin/vaultkeep.ini");
    std::u16string props = dir.ufile("config/WProperties.ini");
    std::u16string config = dir.ufile("config/");
    std::u16string dirBackup = dir.ufile("dirbackup/");
    char16_t reason[kReasonChars] = {};
};

} // namespace

TEST_F(CriticalRun, FirstRunCopiesEveryCriticalFileThenOnlyChangesMakeFolders) {
    CriticalResult r = Run();
    ASSERT_EQ(r.outcome, CriticalOutcome::BackedUp);
    EXPECT_EQ(r.folder, dir.ufile("backup/KEY00001"));
    EXPECT_EQ(r.copied, 4);
    EXPECT_GE(pumps, 4);
    const std::string copies = dir.file("backup/KEY00001/Config/");
    EXPECT_EQ(ReadFile(copies + "tools.ini"), "[Tools]\r\n1=GR\r\n");
    EXPECT_TRUE(FileExists(copies + "WProperties.ini"));
    EXPECT_TRUE(FileExists(copies + "a.tcf"));
    EXPECT_FALSE(FileExists(copies + "b.tcf")); // only the first file a pattern matches
    EXPECT_TRUE(FileExists(copies + "talvern.ini"));
    EXPECT_FALSE(FileExists(copies + "never.ini"));
    EXPECT_EQ(ReadFile(dir.file("backup/KEY00001/backup.me")),
              "Backup of critical files\r\n\r\n[Options]\r\nTalvern=1\r\nRestoreTo=/inst/backup/\r\n");

    // Unchanged: no new folder.
    EXPECT_EQ(Run().outcome, CriticalOutcome::NoChange);
    // A change only in lines with an ignored prefix: still none.
    Rewrite("config/WProperties.ini", "[Window]\r\nLastJob=8\r\nleft=99\r\n[Critical Files]\r\nCritBackupTo=" +
                                          dir.file("backup/") + "\r\n");
    Rewrite("config/talvern.ini", "[Global]\r\nLASTJOB=4\r\nUnits=Metric\r\n");
    EXPECT_EQ(Run().outcome, CriticalOutcome::NoChange);
    EXPECT_EQ(Folders(), (std::vector<std::string>{"KEY00001"}));

    // A real change in one file: every critical file goes into the new folder.
    Rewrite("config/talvern.ini", "[Global]\r\nLastJob=4\r\nUnits=Imperial\r\n");
    r = Run();
    ASSERT_EQ(r.outcome, CriticalOutcome::BackedUp);
    EXPECT_EQ(r.folder, dir.ufile("backup/KEY00002"));
    EXPECT_EQ(r.copied, 4);
    EXPECT_EQ(ReadFile(dir.file("backup/KEY00002/Config/talvern.ini")), "[Global]\r\nLastJob=4\r\nUnits=Imperial\r\n");
    EXPECT_EQ(ReadFile(dir.file("backup/KEY00002/Config/WProperties.ini")), ReadFile(dir.file("config/WProperties.ini")));
    EXPECT_EQ(Run().outcome, CriticalOutcome::NoChange);
}

TEST_F(CriticalRun, MissingCopyOrNothingConfigured) {
    ASSERT_EQ(Run().outcome, CriticalOutcome::BackedUp);
    // A copy that went missing counts as a change.
    fsys::remove(dir.file("backup/KEY00001/Config/a.tcf"));
    EXPECT_EQ(Run().outcome, CriticalOutcome::BackedUp);
    // Nothing listed: nothing happens and nothing is shown.
    Settings("Config2=tools.ini\r\n");
    const CriticalResult r = Run();
    EXPECT_EQ(r.outcome, CriticalOutcome::NoChange);
    EXPECT_EQ(Folders().size(), 2u);
    EXPECT_TRUE(vk::ui::ShownLog().empty());
}

TEST_F(CriticalRun, ReasonForTheFirstBackupEver) {
    reason[0] = u'\0';
    ASSERT_EQ(Run().outcome, CriticalOutcome::BackedUp); // the root did not exist: created
    EXPECT_EQ(ReadFile(dir.file("backup/KEY00001/backup.me")).rfind("No previous backup existed\r\n\r\n[Options]", 0), 0u);

    // With an earlier folder an empty reason stays empty.
    reason[0] = u'\0';
    Rewrite("config/tools.ini", "[Tools]\r\n1=NEU\r\n");
    ASSERT_EQ(Run().outcome, CriticalOutcome::BackedUp);
    EXPECT_EQ(ReadFile(dir.file("backup/KEY00002/backup.me")).rfind("\r\n\r\n[Options]\r\nTalvern=1\r\n", 0), 0u);
}

TEST_F(CriticalRun, BackupNoteIsSingleByteWithCrLf) {
    CopyBounded(reason, kReasonChars, u"Caf\u00e9 line\nsecond");
    fsys::create_directories(dir.file("note"));
    CriticalContext c = Context();
    c.backupFrom = u"/srv/\u00e9t\u00e9/";
    WriteBackupNote(c, dir.ufile("note"));
    EXPECT_EQ(ReadFile(dir.file("note/backup.me")),
              "Caf\xe9 line\r\nsecond\r\n\r\n[Options]\r\nTalvern=1\r\nRestoreTo=/srv/\xe9t\xe9/\r\n");
    WriteBackupNote(c, dir.ufile("no/such/folder")); // cannot be created: nothing, no message
    EXPECT_TRUE(vk::ui::ShownLog().empty());
}

TEST_F(CriticalRun, PruningKeepsTheLimit) {
    struct Case {
        int folders;
        const char *maxSetting; // "" for the default of 50
        bool pruned;
    };
    const Case cases[] = {{50, "", false}, {51, "", true}, {6, "5", true}, {5, "5", false}};
    for (const Case &c : cases) {
        fsys::remove_all(dir.file("backup"));
        Rewrite("config/WProperties.ini", "[Critical Files]\r\nCritBackupTo=" + dir.file("backup/") +
                                              (*c.maxSetting ? "\r\nMaxCritBackups=" + std::string(c.maxSetting) : "") +
                                              "\r\n");
        // Ages are shuffled against the numbers: the oldest is KEY00008.
        std::string oldest;
        int oldestAge = -1;
        for (int i = 1; i <= c.folders; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "KEY%05X", i);
            const int age = 1 + (i * 37) % 101;
            MakeFolder(name, age);
            if (age > oldestAge) {
                oldestAge = age;
                oldest = name;
            }
        }
        CriticalContext ctx = Context();
        const int limit = ReadMaxCritBackups(props.c_str());
        const CriticalScan scan = FindCriticalFolders(ctx, dir.ufile("backup/"), limit);
        EXPECT_EQ(scan.count, c.folders);
        EXPECT_EQ(N(scan.pruned), c.pruned ? oldest : "") << c.folders;
        EXPECT_EQ(FileExists(dir.file("backup/" + oldest)), !c.pruned) << c.folders;
        EXPECT_EQ(static_cast<int>(Folders().size()), c.folders - (c.pruned ? 1 : 0));
    }
}

TEST_F(CriticalRun, PruningHappensInTheRunAndTheNewestFolderIsTheComparisonBase) {
    Rewrite("config/WProperties.ini", "[Critical Files]\r\nCritBackupTo=" + dir.file("backup/") + "\r\nMaxCritBackups=2\r\n");
    ASSERT_EQ(Run().outcome, CriticalOutcome::BackedUp); // KEY00001 holds the current files
    vk::fs::SetWriteTime(dir.ufile("backup/KEY00001"), vk::fs::NowFileTime() - kDay);
    MakeFolder("KEY00002", 3);
    MakeFolder("KEY00003", 2);
    const CriticalResult r = Run();
    EXPECT_EQ(r.outcome, CriticalOutcome::NoChange); // compared with KEY00001, the newest
    EXPECT_EQ(r.pruned, u"KEY00002");
    EXPECT_EQ(Folders(), (std::vector<std::string>{"KEY00001", "KEY00003"}));
}

TEST_F(CriticalRun, OnlyRealKeyFoldersAreCountedAndTheNewestIsNeverPruned) {
    MakeFolder("KEY00001", 1);
    for (const char *foreign : {"MONKEY", "KEYS", "KEY0001", "key00002", "KEY00003.old", "OLDKEY00004", "KEY0000g"})
        MakeFolder(foreign, 100);
    WriteFile(dir.file("backup/KEY00009"), "a file");
    fsys::create_directory_symlink(dir.file("elsewhere"), dir.file("backup/KEY0000A"));
    fsys::create_directories(dir.file("elsewhere"));
    CriticalContext ctx = Context();
    const CriticalScan scan = FindCriticalFolders(ctx, dir.ufile("backup/"), 0);
    EXPECT_EQ(scan.count, 1);
    EXPECT_EQ(scan.newest, dir.ufile("backup/KEY00001"));
    EXPECT_EQ(scan.pruned, u""); // over a limit of 0, but it is the only (and newest) one
    EXPECT_EQ(Folders().size(), 10u);
    EXPECT_TRUE(fsys::exists(dir.file("elsewhere")));

    for (const char16_t *name : {u"KEY00001", u"KEYFFFFE", u"KEY100000"}) EXPECT_TRUE(IsCriticalFolderName(name));
    for (const char16_t *name : {u"KEY", u"KEY0001", u"Key00001", u"KEY0000a", u"XKEY00001", u"KEY00001 "})
        EXPECT_FALSE(IsCriticalFolderName(name)) << N(name);
}

TEST_F(CriticalRun, NumbersAreReusedAndHexadecimal) {
    for (int i = 2; i <= 33; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "KEY%05X", i);
        MakeFolder(name, 1);
    }
    std::u16string path;
    ASSERT_TRUE(CreateNumberedFolder(dir.ufile("backup/"), u"KEY", path));
    EXPECT_EQ(path, dir.ufile("backup/KEY00001"));
    ASSERT_TRUE(CreateNumberedFolder(dir.ufile("backup/"), u"KEY", path));
    EXPECT_EQ(path, dir.ufile("backup/KEY00022")); // 0x22 = 34
    MakeFolder("KEY00023", 1);
    ASSERT_TRUE(CreateNumberedFolder(dir.ufile("backup/"), u"KEY", path));
    EXPECT_EQ(path, dir.ufile("backup/KEY00024"));
    EXPECT_FALSE(CreateNumberedFolder(u"", u"KEY", path));
    EXPECT_EQ(path, u"");
}

TEST_F(CriticalRun, FolderThatCannotBeMadeIsReported) {
    WriteFile(dir.file("backup"), "a file where the root should be");
    const CriticalResult r = Run();
    EXPECT_EQ(r.outcome, CriticalOutcome::FolderFailed);
    const auto &shown = vk::ui::ShownLog();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].caption, dir.ufile("backup/KEY00001")); // the system's text, the path as caption
    EXPECT_FALSE(shown[0].text.empty());
    EXPECT_EQ(shown[1].text, u"Problem creating Talvern backup directory.  Cannot do backup");
    EXPECT_EQ(shown[1].caption, u"Warning");
    EXPECT_EQ(shown[1].flags & 0xF0, vk::ui::kMbIconWarning);
}

TEST_F(CriticalRun, RootWithoutSeparatorOrWithoutAnyFolder) {
    // DirBackup taken unchanged without its separator: the folders still go inside it.
    Rewrite("config/WProperties.ini", "[Critical Files]\r\nCritBackupTo=\r\n");
    dirBackup = dir.ufile("backup");
    fsys::create_directories(dir.file("backup"));
    ASSERT_EQ(Run().outcome, CriticalOutcome::BackedUp);
    EXPECT_TRUE(FileExists(dir.file("backup/KEY00001/Config/tools.ini")));

    // No root at all: nothing is written relative to the current folder.
    dirBackup = u"";
    const CriticalResult r = Run();
    EXPECT_EQ(r.outcome, CriticalOutcome::FolderFailed);
    EXPECT_FALSE(vk::fs::Exists(u"KEY00001"));
    ASSERT_EQ(vk::ui::ShownLog().size(), 1u);
    EXPECT_EQ(vk::ui::ShownLog()[0].caption, u"Warning");
}

TEST_F(CriticalRun, DemoInstallationFindsTheOlderToolsDatabase) {
    TempFolder inst;
    for (const char *f : {"bin", "config", "backup"})
        fsys::copy(std::string(VK_SOURCE_DIR) + "/demo/" + f, inst.file(f), fsys::copy_options::recursive);
    vk::fs::SetWriteTime(inst.ufile("backup/KEY00001"), vk::fs::NowFileTime() - kDay);
    settings = inst.ufile("bin/vaultkeep.ini");
    props = inst.ufile("config/WProperties.ini");
    config = inst.ufile("config/");
    dirBackup = inst.ufile("backup/");
    ReadBackupTo(props.c_str(), dirBackup.c_str()); // start-up reads it; CritBackupTo falls back on it

    CriticalResult r = Run();
    ASSERT_EQ(r.outcome, CriticalOutcome::BackedUp);
    EXPECT_EQ(r.folder, inst.ufile("backup/KEY00002"));
    for (const char *name : {"WProperties.ini", "tools.ini", "services.ini", "panel.tcf", "talvern.ini"})
        EXPECT_TRUE(FileExists(inst.file("backup/KEY00002/Config/") + name)) << name;
    EXPECT_FALSE(FileExists(inst.file("backup/KEY00002/Config/site.tcf")));
    EXPECT_EQ(r.copied, 5);
    r = Run();
    EXPECT_EQ(r.outcome, CriticalOutcome::NoChange);
}

TEST_F(CriticalRun, SystemErrorAsksWhenToldTo) {
    vk::fs::SetLastError(vk::fs::kErrorAccessDenied);
    vk::ui::QueueAnswers(u"box:No; box:Yes");
    EXPECT_FALSE(ShowSystemError(AppModule(), u"/x/KEY00001", true));
    EXPECT_TRUE(ShowSystemError(AppModule(), u"/x/KEY00001", true));
    EXPECT_TRUE(ShowSystemError(AppModule(), u"/x/KEY00001", false));
    const auto &shown = vk::ui::ShownLog();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].text, u"Access is denied.\n\nDo you want to continue?");
    EXPECT_EQ(shown[0].flags, vk::ui::kMbYesNo | vk::ui::kMbIconWarning);
    EXPECT_EQ(shown[2].text, u"Access is denied.");
    EXPECT_EQ(shown[2].caption, u"/x/KEY00001");
}
