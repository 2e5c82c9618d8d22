// Whole jobs: a backup of the demo installation restored into a fresh copy of
// it, and archives made by the standard tools restored through the engine.
#include <gtest/gtest.h>

#include <filesystem>

#include "lib/engine/job.h"
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

class RoundTripTest : public EngineTest {};

std::string IniValue(const std::string &file, const std::string &section, const std::string &key) {
    return N(vk::ini::ReadString(U(section), U(key), u"<missing>", U(file)));
}

TEST_F(RoundTripTest, DemoInstallationComesBack) {
    const std::string src = MakeDemo("src");
    const std::string dst = MakeDemo("dst");
    UseInstallation(src);
    // Relative to the installation; the last two are not restored as files.
    const std::vector<std::string> files = {
        "config/units.ini",     "config/hotkeys.ini",  "config/site.tcf",       "config/neu_table.tbl",
        "config/lithology.cmp", "config/Depth.WWC",    "config/calib.bin",      "config/vars.ini",
        "format/openhole.prs",  "format/grcal.wcp",    "format/gr2.wtd",        "format/heading.hdr",
        "format/log.plt",       "format/las20.fmt",    "format/openhole.lyt",   "format/neu_env.crv",
        "sim/openhole.sim",     "sim/noise.dat",       "script/ohcombo.wsc",    "script/notes.txt",
        "data/Wells/North-7/Run1/pass1.db",            "data/Jobs/job0412.db",  "bin/Talvern.chm",
        "bin/talvern.exe",      "config/WProperties.ini"};
    const std::string archive = src + "backup/demo.conf.vkb";
    BackupJob *job = VKBackupInit(nullptr, 0, 0, U(archive).c_str(), u".conf.vkb", &Progress, &cancel,
                                  u"-Comment 'round trip'");
    ASSERT_NE(job, nullptr);
    for (const std::string &f : files)
        EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(src + f).c_str()), StatusOk) << f;
    ASSERT_EQ(VKBackupClose(job), 1);
    std::string out;
    EXPECT_EQ(Shell("unzip -tq " + Quote(archive), &out), 0) << out;
    EXPECT_EQ(Shell("7z t " + Quote(archive), &out), 0) << out;
    EXPECT_EQ(Shell("python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); sys.exit(z.testzip() is not None)\" " +
                        Quote(archive),
                    &out),
              0)
        << out;
    const std::vector<std::string> entries = ZipEntries(archive);
    EXPECT_NE(std::find(entries.begin(), entries.end(), "1999/WProperties.ini"), entries.end());
    EXPECT_NE(std::find(entries.begin(), entries.end(), "3000/Wells/North-7/Run1/pass1.db"), entries.end());

    // Into the fresh copy, where the files are missing.
    UseInstallation(dst);
    for (const std::string &f : files)
        if (f != "config/WProperties.ini") std::filesystem::remove(dst + f);
    WriteFile(dst + "config/WProperties.ini", "[Global]\r\nTCP=1\r\n");
    Log() = ProgressLog{};
    job = VKRestoreInit(nullptr, 0, 0, U(archive).c_str(), u".conf.vkb", &Progress, &cancel);
    ASSERT_NE(job, nullptr);
    struct IniItem {
        std::string type, text;
    };
    std::vector<IniItem> items;
    for (const ProgressCall &c : Log().calls)
        if (c.code == 11) items.push_back({c.name, c.text});
    EXPECT_GT(items.size(), 20u);

    ASSERT_TRUE(vk::ui::QueueAnswers(u"box(Talvern 7):Yes"));
    for (const std::string &f : files) {
        if (f == "config/WProperties.ini") continue;
        const int expected = f == "bin/talvern.exe" ? StatusNotTranslated : StatusOk;
        // As a restore tree names them: by the destinations that code 2 gave
        // (files of the folder classes need their folder to be placed).
        const std::string item = dst + f;
        EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, U(item).c_str()), expected) << f;
        if (expected == StatusOk) {
            EXPECT_EQ(ReadFile(dst + f), ReadFile(src + f)) << f;
        }
    }
    EXPECT_FALSE(vk::test::FileExists(dst + "bin/talvern.exe"));
    for (const IniItem &item : items) {
        const size_t comma = item.text.find(',');
        const std::string section = item.text.substr(0, comma);
        const int32_t type = VKTypeFromDesc(U(item.type).c_str());
        const std::u16string key = comma == std::string::npos ? u"" : U(item.text.substr(comma + 1));
        const int status = VKRestore(job, type, 0, 0, U(section).c_str(), key.empty() ? nullptr : key.c_str(), nullptr);
        // Printers never come from a version-7 archive.
        EXPECT_EQ(status, type == VK_ITEM_PRINTERS ? StatusSkipOne : StatusOk) << item.text;
        if (type == VK_ITEM_PRINTERS || key.empty()) continue;
        // Preferences of a WProperties.ini stay in their section; so does the rest.
        EXPECT_EQ(IniValue(dst + "config/WProperties.ini", section, N(key)),
                  IniValue(src + "config/WProperties.ini", section, N(key)))
            << item.text;
    }
    EXPECT_EQ(VKRestoreClose(job), 1);
    EXPECT_EQ(IniValue(dst + "config/WProperties.ini", "Tracer", "Enabled"),
              IniValue(src + "config/WProperties.ini", "Tracer", "Enabled"));
    EXPECT_EQ(reports.size(), 1u); // a version-7 archive always reports
    EXPECT_EQ(WorkFolderCount(src + "temp/"), 0);
    EXPECT_EQ(WorkFolderCount(dst + "temp/"), 0);
}

TEST_F(RoundTripTest, ArchiveMadeByZipFromAWorkFolderRestores) {
    const std::string folder = tmp.path() + "made/";
    WriteFile(folder + "Backup.why",
              "[Talvern Backup Utility]\r\nName=made\r\nBackupVersion=8.0\r\n[FileBk]\r\n4001\\x.ini=0,4001\r\n"
              "3000\\Wells\\W-1\\a.db=0,3000\r\n5000\\p.prs=0,5000\r\n");
    WriteFile(folder + "4001/x.ini", "[X]\r\nk=v\r\n");
    WriteFile(folder + "3000/Wells/W-1/a.db", std::string(70000, '\7'));
    WriteFile(folder + "5000/p.prs", "presentation");
    const std::string archive = Dir("backup") + "made.zip";
    std::string out;
    ASSERT_EQ(Shell("cd " + Quote(folder) + " && zip -r -q -6 " + Quote(archive) + " .", &out), 0) << out;

    BackupJob *job = VKRestoreInit(nullptr, 0, 0, U(archive).c_str(), nullptr, &Progress, nullptr);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(job->flags & VKF_PLAIN_SOURCE, 0u);
    std::vector<std::string> destinations = Log().Texts(2);
    std::sort(destinations.begin(), destinations.end());
    EXPECT_EQ(destinations, (std::vector<std::string>{Dir("config") + "x.ini", Dir("data") + "Wells/W-1/a.db",
                                                      Dir("format") + "p.prs"}));
    EXPECT_EQ(VKRestore(job, 4001, 0, 0, nullptr, nullptr, u"x.ini"), StatusOk);
    EXPECT_EQ(VKRestore(job, 3000, 0, 0, nullptr, nullptr, U(Dir("data") + "Wells/W-1/a.db").c_str()), StatusOk);
    EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, u"p.prs"), StatusOk);
    EXPECT_EQ(VKRestoreClose(job), 1);
    EXPECT_EQ(ReadFile(Dir("config") + "x.ini"), "[X]\r\nk=v\r\n");
    EXPECT_EQ(ReadFile(Dir("data") + "Wells/W-1/a.db"), std::string(70000, '\7'));
    EXPECT_EQ(ReadFile(Dir("format") + "p.prs"), "presentation");
}

TEST_F(RoundTripTest, LongAndNonAsciiNamesAreKeptWhole) {
    // A path far beyond 255 characters, and names outside ASCII.
    std::string deep = "Wells/";
    for (int i = 0; i < 5; ++i) deep += std::string(60, static_cast<char>('a' + i)) + "/";
    const std::vector<std::string> names = {deep + "long.db", "Wells/Nordsee-Süd/Lauf 1/über.db",
                                            "Wells/日本/テスト.db"};
    for (const std::string &n : names) WriteFile(Dir("data") + n, "data of " + n);
    WriteFile(Dir("config") + "Grüße.ini", "[Straße]\r\nk=v\r\n");
    const std::string archive = Dir("backup") + "names.vkb";
    BackupJob *job = VKBackupInit(nullptr, 0, 0, U(archive).c_str(), nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    EXPECT_GT(job->workFolder.size() + deep.size(), 255u);
    for (const std::string &n : names)
        EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("data") + n).c_str()), StatusOk) << n;
    EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("config") + "Grüße.ini").c_str()), StatusOk);
    ASSERT_EQ(VKBackupClose(job), 1);
    EXPECT_EQ(Shell("unzip -tq " + Quote(archive)), 0);

    const std::string saved = tmp.path() + "saved/";
    std::filesystem::rename(Dir("data"), saved);
    std::filesystem::remove(Dir("config") + "Grüße.ini");
    job = VKRestoreInit(nullptr, 0, 0, U(archive).c_str(), nullptr, nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    ASSERT_TRUE(vk::ui::QueueAnswers(u"box(Talvern 7):Yes"));
    for (const std::string &n : names) {
        EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, U(Dir("data") + n).c_str()), StatusOk) << n;
        EXPECT_EQ(ReadFile(Dir("data") + n), ReadFile(saved + n)) << n;
    }
    EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, u"Grüße.ini"), StatusOk);
    EXPECT_EQ(ReadFile(Dir("config") + "Grüße.ini"), "[Straße]\r\nk=v\r\n");
    EXPECT_EQ(VKRestoreClose(job), 1);
}

} // namespace
} // namespace vk::enginetest
