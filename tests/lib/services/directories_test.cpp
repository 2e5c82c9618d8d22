// The directory table: values from the registry source, fall-backs in their
// order, the byte limit, the derived settings.
#include <gtest/gtest.h>

#include <cstdlib>

#include "lib/services/directories.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "tests/support/test_support.h"
#include "vaultkeeplib.h"

using vk::test::TempFolder;
using vk::test::U;
using vk::test::WriteFile;

namespace {

class DirectoriesTest : public ::testing::Test {
protected:
    void SetUp() override {
        Save("VAULTKEEP_REGISTRY", savedRegistry_, hadRegistry_);
        Save("TMPDIR", savedTmp_, hadTmp_);
        ::setenv("VAULTKEEP_REGISTRY", tmp.file("registry.reg").c_str(), 1);
    }
    void TearDown() override {
        Restore("VAULTKEEP_REGISTRY", savedRegistry_, hadRegistry_);
        Restore("TMPDIR", savedTmp_, hadTmp_);
        vk::lib::LoadDirectories();
    }

    // Writes the registry file with the given "Name"="value" lines under the
    // installation key and loads the table.
    void Load(const std::string &values, bool withKey = true) {
        std::string text = "REGEDIT4\r\n\r\n";
        if (withKey) text += "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\r\n";
        else text += "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Other]\r\n";
        text += values;
        WriteFile(tmp.file("registry.reg"), text);
        vk::lib::LoadDirectories();
    }
    static std::u16string Dir(int code) {
        const char16_t *d = VKGetTalvernDir(code);
        return d ? std::u16string(d) : u"<null>";
    }

    TempFolder tmp;

private:
    static void Save(const char *name, std::string &value, bool &had) {
        const char *v = std::getenv(name);
        had = v != nullptr;
        value = v ? v : "";
    }
    static void Restore(const char *name, const std::string &value, bool had) {
        if (had) ::setenv(name, value.c_str(), 1);
        else ::unsetenv(name);
    }
    std::string savedRegistry_, savedTmp_;
    bool hadRegistry_ = false, hadTmp_ = false;
};

} // namespace

TEST_F(DirectoriesTest, BinFolderStandsInForItsDependants) {
    Load("\"BinDir\"=\"/opt/talvern/bin/\"\r\n\"ConfigDir\"=\"/opt/talvern/config/\"\r\n");
    for (int code : {DirBin, DirFax, DirLang, DirSim, DirScript}) EXPECT_EQ(Dir(code), u"/opt/talvern/bin/") << code;
    EXPECT_EQ(Dir(DirConfig), u"/opt/talvern/config/");
    for (int code : {DirData, DirSpool, DirFormat, DirBackup}) EXPECT_EQ(Dir(code), u"") << code;
    EXPECT_EQ(Dir(DirTemp), vk::fs::TempDirectory());
    EXPECT_EQ(vk::lib::ToolsIniPath(), u"/opt/talvern/config/tools.ini");
    EXPECT_EQ(vk::lib::SettingsIniPath(), u"/opt/talvern/config/vaultkeep.ini");
}

TEST_F(DirectoriesTest, OwnValuesWinOverFallBacks) {
    Load("\"BinDir\"=\"/b/\"\r\n\"DataDir\"=\"/d/\"\r\n\"FaxDir\"=\"/fax/\"\r\n\"LangDir\"=\"/lang/\"\r\n"
         "\"SimDir\"=\"/sim/\"\r\n\"ScriptDir\"=\"/script/\"\r\n\"BackupDir\"=\"/backup/\"\r\n"
         "\"TempDir\"=\"/t/\"\r\n\"SpoolDir\"=\"/spool/\"\r\n\"FormatDir\"=\"/format/\"\r\n");
    const std::pair<int, std::u16string> expected[] = {
        {DirBin, u"/b/"},       {DirData, u"/d/"},       {DirSpool, u"/spool/"},   {DirTemp, u"/t/"},
        {DirConfig, u""},       {DirFax, u"/fax/"},      {DirFormat, u"/format/"}, {DirLang, u"/lang/"},
        {DirSim, u"/sim/"},     {DirScript, u"/script/"}, {DirBackup, u"/backup/"},
    };
    for (const auto &[code, dir] : expected) EXPECT_EQ(Dir(code), dir) << code;
    // Without a configuration folder the derived paths are bare names.
    EXPECT_EQ(vk::lib::ToolsIniPath(), u"tools.ini");
    EXPECT_EQ(vk::lib::SettingsIniPath(), u"vaultkeep.ini");
}

TEST_F(DirectoriesTest, DataFolderStandsInForBackups) {
    Load("\"DataDir\"=\"/srv/data/\"\r\n");
    EXPECT_EQ(Dir(DirBackup), u"/srv/data/");
    EXPECT_EQ(Dir(DirFax), u""); // an empty bin folder gives empty copies
}

TEST_F(DirectoriesTest, WithoutTheKeyEverythingStaysEmpty) {
    const std::string values = "\"BinDir\"=\"/b/\"\r\n\"DataDir\"=\"/d/\"\r\n";
    auto expectEmpty = [&](const char *what) {
        for (int code : {DirBin, DirData, DirSpool, DirTemp, DirConfig, DirFax, DirFormat, DirLang, DirSim,
                         DirScript, DirBackup})
            EXPECT_EQ(Dir(code), u"") << what << " " << code;
        EXPECT_EQ(vk::lib::ToolsIniPath(), u"tools.ini") << what;
        EXPECT_EQ(vk::lib::SettingsIniPath(), u"vaultkeep.ini") << what;
    };
    Load(values, false);
    expectEmpty("other key");
    WriteFile(tmp.file("registry.reg"), "");
    vk::lib::LoadDirectories();
    expectEmpty("empty file");
    WriteFile(tmp.file("registry.reg"),
              "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\r\n" + values);
    vk::lib::LoadDirectories();
    expectEmpty("no header");
    ::setenv("VAULTKEEP_REGISTRY", tmp.file("missing.reg").c_str(), 1);
    vk::lib::LoadDirectories();
    expectEmpty("missing file");
}

TEST_F(DirectoriesTest, OverlongValuesCountAsMissing) {
    const std::string longBin = "/" + std::string(253, 'b') + "/"; // 255 characters: fits
    Load("\"BinDir\"=\"" + longBin + "\"\r\n\"ScriptDir\"=\"/" + std::string(255, 's') + "\"\r\n" +
         "\"DataDir\"=\"/" + std::string(300, 'd') + "/\"\r\n\"BackupDir\"=\"/bk/\"\r\n");
    EXPECT_EQ(Dir(DirBin), U(longBin));
    EXPECT_EQ(Dir(DirScript), U(longBin)); // 256 characters: missing, so the fall-back applies
    EXPECT_EQ(Dir(DirData), u"");
    EXPECT_EQ(Dir(DirBackup), u"/bk/");
}

TEST_F(DirectoriesTest, TemporaryFolderFallBack) {
    ::setenv("TMPDIR", "/var/tmp", 1);
    Load("\"BinDir\"=\"/b/\"\r\n");
    EXPECT_EQ(Dir(DirTemp), u"/var/tmp/");
    // A system folder too long for the table is not cut into another path.
    const std::string longTmp = "/" + std::string(300, 't');
    ::setenv("TMPDIR", longTmp.c_str(), 1);
    vk::lib::LoadDirectories();
    EXPECT_EQ(Dir(DirTemp), u"");
}

TEST_F(DirectoriesTest, CodesThatNameNoFolder) {
    Load("\"BinDir\"=\"/b/\"\r\n");
    for (int code : {-1, 0, 11, 20, 25, 31, 34, 36, 1000}) EXPECT_EQ(VKGetTalvernDir(code), nullptr) << code;
    Load("", false);
    ASSERT_NE(VKGetTalvernDir(DirBin), nullptr);
    EXPECT_EQ(Dir(DirBin), u"");
}

TEST_F(DirectoriesTest, ToolCategoriesFollowTheTcpKey) {
    struct Case {
        const char *properties; // null: no WProperties.ini
        int categories;
    } cases[] = {
        {"[Global]\r\nTCP=1\r\n", 3},
        {"[Global]\r\nTCP=7\r\n", 3},
        {"[Global]\r\nTCP=0\r\n", 2},
        {"[Global]\r\nOther=1\r\n", 2},
        {"[Acquisition]\r\nTCP=1\r\n", 2},
        {nullptr, 2},
    };
    for (const Case &c : cases) {
        vk::test::TempFolder round;
        const std::string cfg = round.file("config/");
        if (c.properties) WriteFile(cfg + "WProperties.ini", c.properties);
        Load("\"ConfigDir\"=\"" + cfg + "\"\r\n");
        EXPECT_EQ(vk::lib::ToolCategoryCount(), c.categories) << (c.properties ? c.properties : "no file");
        EXPECT_EQ(vk::lib::ToolsIniPath(), U(cfg + "tools.ini"));
    }
}
