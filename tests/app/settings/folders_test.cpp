// Remembered folders, ConfigTo, MaxCritBackups and the critical-file list.
#include <gtest/gtest.h>

#include <string>

#include "app/shell/settings.h"
#include "platform/ini/ini.h"
#include "tests/support/test_support.h"

using namespace vk::test;

namespace {

using Reader = const char16_t *(*)(const char16_t *, const char16_t *);

struct FolderCase {
    const char *name;
    Reader read;
    const char *key;
    std::string value;    // "" writes an empty key
    std::string dirBackup;
    std::string expected;
};

} // namespace

TEST(RememberedFolders, TrailingSeparatorAndDefaults) {
    const std::string long254(254, 'd');
    const std::string long255(255, 'd');
    const FolderCase cases[] = {
        {"value gets a separator", vk::app::ReadBackupTo, "BackupTo", "/srv/saves", "/inst/backup/", "/srv/saves/"},
        {"value keeps its separator", vk::app::ReadBackupTo, "BackupTo", "/srv/saves/", "/inst/backup/", "/srv/saves/"},
        {"empty gives DirBackup exactly", vk::app::ReadBackupTo, "BackupTo", "", "/inst/backup", "/inst/backup"},
        {"254 characters plus separator", vk::app::ReadBackupTo, "BackupTo", long254, "/b/", long254 + "/"},
        {"BackupTo is cut at 254", vk::app::ReadBackupTo, "BackupTo", long255, "/b/", long254 + "/"},
        {"RestoreFrom gets a separator", vk::app::ReadRestoreFrom, "RestoreFrom", "/r", "/b/", "/r/"},
        {"RestoreFrom empty", vk::app::ReadRestoreFrom, "RestoreFrom", "", "/inst/backup", "/inst/backup"},
        {"255 characters: no room", vk::app::ReadRestoreFrom, "RestoreFrom", long255, "/b/", long255},
        {"BackupFrom value", vk::app::ReadBackupFrom, "BackupFrom", "/f", "/b/", "/f/"},
        {"BackupFrom default gets one", vk::app::ReadBackupFrom, "BackupFrom", "", "/inst/backup", "/inst/backup/"},
        {"BackupFrom empty default", vk::app::ReadBackupFrom, "BackupFrom", "", "", ""},
    };
    for (const FolderCase &c : cases) {
        TempFolder dir;
        WriteFile(dir.file("WProperties.ini"), std::string("[Backup]\r\n") + c.key + "=" + c.value + "\r\n");
        const char16_t *got = c.read(dir.ufile("WProperties.ini").c_str(), U(c.dirBackup).c_str());
        EXPECT_EQ(N(got), c.expected) << c.name;
    }
}

TEST(RememberedFolders, MissingFileGivesDirBackup) {
    TempFolder dir;
    const std::u16string path = dir.ufile("WProperties.ini");
    EXPECT_EQ(std::u16string(vk::app::ReadBackupTo(path.c_str(), u"/inst/backup/")), u"/inst/backup/");
    EXPECT_EQ(vk::app::ReadMaxCritBackups(path.c_str()), 50);
}

TEST(RememberedFolders, CritBackupToFallsBackToBackupToThenDirBackup) {
    TempFolder dir;
    const std::u16string path = dir.ufile("WProperties.ini");
    WriteFile(dir.file("WProperties.ini"), "[Backup]\nBackupTo=/saves\n[Critical Files]\nCritBackupTo=\n");
    vk::app::ReadBackupTo(path.c_str(), u"/inst/backup/");
    EXPECT_EQ(std::u16string(vk::app::ReadCritBackupTo(path.c_str(), u"/inst/backup/")), u"/saves/");

    // BackupTo empty: its buffer holds DirBackup, which CritBackupTo takes.
    TempFolder dir2;
    const std::u16string path2 = dir2.ufile("WProperties.ini");
    WriteFile(dir2.file("WProperties.ini"), "[Backup]\nBackupTo=\n[Critical Files]\nMaxCritBackups=5\n");
    vk::app::ReadBackupTo(path2.c_str(), u"/inst/backup/");
    EXPECT_EQ(std::u16string(vk::app::ReadCritBackupTo(path2.c_str(), u"/inst/backup/")), u"/inst/backup/");
    EXPECT_EQ(vk::app::ReadMaxCritBackups(path2.c_str()), 5);

    // No BackupTo value at all: DirBackup as it stands.
    vk::app::ProgramFolders().backupTo[0] = u'\0';
    EXPECT_EQ(std::u16string(vk::app::ReadCritBackupTo(path2.c_str(), u"/inst/bk")), u"/inst/bk");

    WriteFile(dir.file("WProperties.ini"), "[Critical Files]\nCritBackupTo=/crit\n");
    vk::ini::Forget(path.c_str());
    EXPECT_EQ(std::u16string(vk::app::ReadCritBackupTo(path.c_str(), u"/inst/backup/")), u"/crit/");
}

TEST(ProgramSettings, ConfigToIsWrittenAndTheRestKept) {
    TempFolder dir;
    const std::u16string path = dir.ufile("WProperties.ini");
    WriteFile(dir.file("WProperties.ini"), "[Backup]\r\nBackupTo=/saves\r\n");
    ASSERT_TRUE(vk::app::WriteConfigTo(path.c_str(), u"/saves/May.conf.vkb"));
    ASSERT_TRUE(vk::ini::Flush(path.c_str()));
    vk::ini::Forget(path.c_str());
    EXPECT_EQ(vk::ini::ReadString(u"Backup", u"ConfigTo", u"", path), u"/saves/May.conf.vkb");
    EXPECT_EQ(vk::ini::ReadString(u"Backup", u"BackupTo", u"", path), u"/saves");
}

TEST(ProgramSettings, CriticalFileEntriesEndAtAGap) {
    TempFolder dir;
    WriteFile(dir.file("vaultkeep.ini"), "[Critical Files]\nConfig1=tools.ini\nConfig2=W*.ini;LastJob=\nConfig4=x\n");
    const std::u16string path = dir.ufile("vaultkeep.ini");
    char16_t buffer[2550];
    EXPECT_EQ(vk::app::ReadCriticalFileEntry(path.c_str(), 2, buffer, 2550), 15u);
    EXPECT_EQ(std::u16string(buffer), u"W*.ini;LastJob=");
    EXPECT_EQ(vk::app::ReadCriticalFileEntry(path.c_str(), 3, buffer, 2550), 0u);
}

TEST(ProgramSettings, SettingsFilePaths) {
    char16_t out[256];
    vk::app::MakeSettingsPath(u"/opt/talvern/bin", out, 256);
    EXPECT_EQ(std::u16string(out), u"/opt/talvern/bin/vaultkeep.ini");
    vk::app::MakeSettingsPath(u"/opt/talvern/bin/", out, 256);
    EXPECT_EQ(std::u16string(out), u"/opt/talvern/bin/vaultkeep.ini");
    vk::app::MakeHostPropertiesPath(u"/opt/talvern/config/", out, 256);
    EXPECT_EQ(std::u16string(out), u"/opt/talvern/config/WProperties.ini");
    vk::app::MakeSettingsPath(std::u16string(300, u'a').c_str(), out, 256);
    EXPECT_EQ(std::u16string(out).size(), 255u);
}
