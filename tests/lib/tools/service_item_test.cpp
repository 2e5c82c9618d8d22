// The service item: a demo service backed up and restored into another
// installation with its section, files and tools; the tool selection's
// outcome; version-7 tool break points.
#include <gtest/gtest.h>

#include <filesystem>

#include "lib/engine/metadata.h"
#include "lib/engine/translate_hooks.h"
#include "lib/tools/service_item.h"
#include "lib/tools/tool_db.h"
#include "platform/ini/ini.h"
#include "tests/lib/tools/tools_fixture.h"

namespace vk::toolstest {
namespace {

using namespace vk::tools;
using vk::test::N;
using vk::test::U;

struct Selection {
    int calls = 0;
    int answer = 1;
    bool restore = false;
    std::u16string service, servicesFile, toolsFile;
    uint32_t jobFlags = 0;
};
Selection &Selected() {
    static Selection s;
    return s;
}

int SelectTools(BackupJob &job, VKHWND, const std::u16string &service, const std::u16string &servicesFile,
                const std::u16string &toolsFile, bool restore) {
    Selection &s = Selected();
    ++s.calls;
    s.service = service;
    s.servicesFile = servicesFile;
    s.toolsFile = toolsFile;
    s.restore = restore;
    s.jobFlags = job.flags;
    return s.answer;
}

class ServiceItemTest : public ToolsTest {
protected:
    void SetUp() override {
        ToolsTest::SetUp();
        Selected() = Selection{};
        ToolDialogHooks() = ToolDialogs{};
    }
    bool Exists(const std::string &path) { return vk::test::FileExists(path); }
};

TEST_F(ServiceItemTest, ADemoServiceTravelsIntoAnotherInstallation) {
    const std::string src = MakeDemo("src");
    const std::string dst = MakeDemo("dst");
    // The second installation knows another service only, and no tools.
    vk::test::WriteFile(dst + "config/tools.ini", "; tools\r\n");
    vk::test::WriteFile(dst + "config/services.ini", "[Service]\r\n1=Calibration\r\n[Calibration]\r\nDevice1=x\r\n");
    for (const char *f : {"format/openhole.prs", "format/openhole_hdr.bhf", "format/crossplot.xpt",
                          "format/openhole.lyt", "format/neucal.wcp", "format/stdcal.wcp", "script/ohcombo.wsc",
                          "config/Depth.WWC", "config/neu_table.tbl"})
        std::filesystem::remove(dst + f);

    Use(src);
    const std::string archive = tmp.file("svc.conf.vkb");
    BackupJob *job = VKBackupInit(nullptr, VKF_QUIET, 0, U(archive).c_str(), u".conf.vkb", nullptr, nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(VKBackup(job, VK_ITEM_SERVICE, 0, 0, u"Open Hole Combo", nullptr, U(src + "config/services.ini").c_str()),
              StatusOk);
    EXPECT_EQ(N(job->servicesPath), N(job->workFolder) + "svc.conf.wsv");
    EXPECT_EQ(Value(job->metadataPath, "ServiceBk", "Open Hole Combo"), "0");
    EXPECT_EQ(Value(job->metadataPath, "ToolBk", "CTS-CTS0401"), "0");
    EXPECT_EQ(Value(job->metadataPath, "ToolBk", "STD-STD0007"), "0");
    EXPECT_NE(VKBackupClose(job), 0);

    Use(dst);
    job = VKRestoreInit(nullptr, VKF_QUIET, 0, U(archive).c_str(), u".conf.vkb", nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    const std::u16string services = U(dst + "config/services.ini");
    EXPECT_EQ(VKRestore(job, VK_ITEM_SERVICE, 0, 0, u"Open Hole Combo", nullptr, services.c_str()), StatusOk);
    EXPECT_EQ(Value(job->metadataPath, "ServiceRestore", "Open Hole Combo"), "0");
    for (const char *entry : {"CTS-CTS0401", "CTS-CTS-4", "NEU-NEU2201", "NEU-NEU2214", "NEU-NEU-2", "CENT-C-17",
                              "CENT-BowSpring", "STD-12", "STD-STD-A"})
        EXPECT_EQ(Value(job->metadataPath, "ToolRestore", entry), "0") << entry;
    EXPECT_EQ(VKRestoreClose(job), 1);
    vk::ini::Flush(nullptr);

    // The section, registered after the service that was there.
    EXPECT_EQ(Value(services, "Service", "2"), "Open Hole Combo");
    // The archive carries "7.0" and restores under the version-7 rules, but it
    // was made by this system: the break point keeps its value.
    EXPECT_EQ(Value(services, "Open Hole Combo", "ToolBreakPoint"), "1250000000000");
    EXPECT_EQ(Value(services, "Open Hole Combo", "MaxDepth"), "12500");
    // Scripts, presentations (with the header the presentation names) and extra files.
    for (const char *f : {"script/ohcombo.wsc", "config/Depth.WWC", "format/openhole.prs", "format/openhole_hdr.bhf",
                          "format/crossplot.xpt", "format/openhole.lyt"})
        EXPECT_TRUE(Exists(dst + f)) << f;
    // The tools: serial numbers, models, sub-tools and calibration files.
    const std::u16string tools = U(dst + "config/tools.ini");
    EXPECT_EQ(N(ReadNumberedList(kToolsSection, tools).at(0)), "CTS");
    EXPECT_EQ(ReadNumberedList(kToolsSection, tools).size(), 4u);
    EXPECT_EQ(Value(tools, "CTS", "1"), "CTS0401");
    EXPECT_EQ(Value(tools, "GR-CTS0401", "CalFactor"), "1.038");
    EXPECT_EQ(Value(tools, "TEMP-CTS-4", "Slope"), "1.0000");
    EXPECT_EQ(Value(tools, "NEU", "2"), "NEU2214");
    EXPECT_EQ(Value(tools, "CENT-Models", "1"), "BowSpring");
    EXPECT_EQ(Value(tools, "STD", "1"), "12");
    EXPECT_EQ(Value(tools, "Accessory Tools-Categories", "1"), "Centralizers");
    EXPECT_TRUE(Exists(dst + "format/neucal.wcp"));
    EXPECT_TRUE(Exists(dst + "format/stdcal.wcp"));
    EXPECT_TRUE(Exists(dst + "config/neu_table.tbl"));
}

// Two serial numbers of one model: the second one's own section comes back
// although its model was restored with the first.
TEST_F(ServiceItemTest, ASerialWhoseModelCameFirstIsStillRestored) {
    const std::string src = MakeDemo("src");
    Use(src);
    const std::string archive = tmp.file("svc.conf.vkb");
    BackupJob *job = VKBackupInit(nullptr, VKF_QUIET, 0, U(archive).c_str(), u".conf.vkb", nullptr, nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    const std::u16string services = U(src + "config/services.ini");
    ASSERT_EQ(VKBackup(job, VK_ITEM_SERVICE, 0, 0, u"Open Hole Combo", nullptr, services.c_str()), StatusOk);
    ASSERT_NE(VKBackupClose(job), 0);

    const std::u16string tools = U(src + "config/tools.ini");
    ASSERT_TRUE(vk::ini::WriteString(u"NEU-NEU2214", u"NearCal", u"9.999", tools.c_str()));
    ASSERT_TRUE(vk::ini::WriteString(u"NEU-NEU2201", u"NearCal", u"9.999", tools.c_str()));
    job = VKRestoreInit(nullptr, VKF_QUIET, 0, U(archive).c_str(), u".conf.vkb", nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(VKRestore(job, VK_ITEM_SERVICE, 0, 0, u"Open Hole Combo", nullptr, services.c_str()), StatusOk);
    EXPECT_EQ(Value(job->metadataPath, "ToolRestore", "NEU-NEU2201"), "0");
    EXPECT_EQ(Value(job->metadataPath, "ToolRestore", "NEU-NEU2214"), "0");
    EXPECT_EQ(VKRestoreClose(job), 1);
    vk::ini::Forget(nullptr);
    EXPECT_EQ(Value(tools, "NEU-NEU2201", "NearCal"), "1.008");
    EXPECT_EQ(Value(tools, "NEU-NEU2214", "NearCal"), "1.012");
    EXPECT_EQ(Value(tools, "NEU-Models", "1"), "NEU-2");
    EXPECT_EQ(Value(tools, "NEU-Models", "2"), "");
}

// An append marks the archive as this system's unless it is a genuine
// version-7 archive: a current archive appended to keeps its break points on
// restore; a genuine version-7 one still has them scaled.
TEST_F(ServiceItemTest, AppendsKeepTheUnitsOfTheArchive) {
    const std::string src = MakeDemo("src");
    Use(src);
    struct Case {
        const char *version;
        bool marked;
        const char *restored;
    } cases[] = {{"8.0", true, "15"}, {"", true, "15"}, {"7.0", false, "1500"}};
    int run = 0;
    for (const Case &c : cases) {
        const std::string archive = tmp.file("a" + std::to_string(++run) + ".serv.vkb");
        // Python escapes: the script writes the line ends.
        const std::string why = std::string("[Talvern Backup Utility]\\r\\nName=a.serv\\r\\n") +
                                (*c.version ? std::string("BackupVersion=") + c.version + "\\r\\n" : std::string());
        vk::test::WriteFile(tmp.file("zip.py"),
                            "import zipfile,sys\nz=zipfile.ZipFile(sys.argv[1],'w')\n"
                            "z.writestr('Backup.why','" + why + "')\n"
                            "z.writestr('a.serv.wsv','[Service]\\r\\n1=S\\r\\n[S]\\r\\nToolBreakPoint=15\\r\\n')\n"
                            "z.close()\n");
        ASSERT_EQ(vk::test::Shell("python3 " + vk::test::Quote(tmp.file("zip.py")) + " " + vk::test::Quote(archive)), 0);
        BackupJob *job = VKBackupInit(nullptr, VKF_APPEND_SERVICES | VKF_QUIET, 0, U(archive).c_str(), nullptr,
                                      nullptr, nullptr, nullptr);
        ASSERT_NE(job, nullptr);
        ASSERT_EQ(job->append, 1);
        ASSERT_EQ(VKBackup(job, VK_ITEM_SERVICE, 0, 0, u"Perforating", nullptr, U(src + "config/services.ini").c_str()),
                  StatusOk);
        ASSERT_NE(VKBackupClose(job), 0);

        job = VKRestoreInit(nullptr, VKF_QUIET, 0, U(archive).c_str(), nullptr, nullptr, nullptr);
        ASSERT_NE(job, nullptr);
        EXPECT_EQ(vk::engine::CreatedByThisSystem(*job), c.marked) << c.version;
        const std::u16string dest = Ini("dest" + std::to_string(run) + ".ini", "");
        EXPECT_EQ(VKRestore(job, VK_ITEM_SERVICE, 0, 0, u"S", nullptr, dest.c_str()), StatusOk);
        EXPECT_EQ(VKRestoreClose(job), 1);
        EXPECT_EQ(Value(dest, "S", "ToolBreakPoint"), c.restored) << c.version;
    }
}

TEST_F(ServiceItemTest, SelectionOutcomeAndItemFlags) {
    const std::string src = MakeDemo("src");
    Use(src);
    ToolDialogHooks().selectTools = &SelectTools;
    const std::u16string services = U(src + "config/services.ini");
    ScratchJob s(tmp, false);
    Selected().answer = 0; // Cancel
    EXPECT_EQ(BackupServiceItem(s.job, 0, 0, u"Cased Hole Correlation", services.c_str()), StatusFailed);
    EXPECT_EQ(Selected().calls, 1);
    EXPECT_FALSE(Selected().restore);
    EXPECT_EQ(N(Selected().toolsFile), src + "config/tools.ini");
    EXPECT_EQ(N(Selected().servicesFile), N(services));
    EXPECT_EQ(Value(s.job.metadataPath, "ServiceBk", "Cased Hole Correlation"), "1");
    // The section, scripts and presentations went all the same.
    EXPECT_EQ(Value(s.job.servicesPath, "Cased Hole Correlation", "LogInterval"), "0.25");
    EXPECT_TRUE(s.Archived(u"6000/cased.seq"));
    EXPECT_TRUE(s.Archived(u"5000/cased_hdr.bhf"));
    EXPECT_TRUE(s.job.toolsPath.empty()); // no tool item ran

    // Quiet for one item: no selection; the bit goes with the item.
    EXPECT_EQ(BackupServiceItem(s.job, VKF_QUIET, 0, u"Perforating", services.c_str()), StatusOk);
    EXPECT_EQ(Selected().calls, 1);
    EXPECT_EQ(s.job.flags & VKF_QUIET, 0u);
    EXPECT_EQ(Value(s.job.toolsPath, "PERF", "3"), "");
    EXPECT_EQ(Value(s.job.toolsPath, "PERF", "2"), "PG0032");
    EXPECT_EQ(Value(s.job.toolsPath, "FHD-FHD-M", "Available"), "xTCP");
    EXPECT_EQ(Value(s.job.toolsPath, "CCL-CCL-1", "Available"), "Logging"); // every model of a named tool

    Selected().answer = 1;
    EXPECT_EQ(BackupServiceItem(s.job, 0, 0, u"Calibration", services.c_str()), StatusOk);
    EXPECT_EQ(Selected().calls, 2);
    EXPECT_EQ(Value(s.job.metadataPath, "ServiceBk", "Calibration"), "0");
    EXPECT_EQ(Value(s.job.servicesPath, "Service", "3"), "Calibration");
}

TEST_F(ServiceItemTest, ToolsOfATcpServiceTravelWithTwoKinds) {
    const std::string src = MakeDemo("src");
    vk::test::WriteFile(src + "config/WProperties.ini", "[Global]\r\nTCP=0\r\n");
    Use(src);
    ScratchJob s(tmp, false);
    s.job.flags |= VKF_QUIET;
    EXPECT_EQ(BackupServiceItem(s.job, 0, 0, u"Perforating", U(src + "config/services.ini").c_str()), StatusOk);
    EXPECT_EQ(Value(s.job.toolsPath, "PERF-Models", "1"), "PG-3375");
    EXPECT_EQ(Value(s.job.toolsPath, "TCP-Categories", "1"), "Guns");
    EXPECT_TRUE(s.Archived(u"5002/pg3375.wtd"));
}

TEST_F(ServiceItemTest, ToolBreakPointOfVersion7Archives) {
    struct Case {
        const char *stored;
        bool version7;
        const char *restored;
    } cases[] = {
        {"15", true, "1500"},
        {"15", false, "15"},
        {"-3", true, "-300"},
        {"9223372036854775807", true, "9223372036854775807"}, // does not fit: kept
        {"", true, ""},
    };
    int run = 0;
    for (const Case &c : cases) {
        ++run;
        ScratchJob s(tmp, true);
        s.job.flags |= VKF_QUIET;
        s.job.translate = c.version7 ? &vk::engine::Version7Hook : &vk::engine::PassThroughHook;
        s.job.servicesPath =
            Ini("s" + std::to_string(run) + ".wsv", std::string("[S]\nToolBreakPoint=") + c.stored + "\nTool1=GR\n");
        s.job.toolsPath = Ini("t" + std::to_string(run) + ".wcf", "");
        const std::u16string dest = Ini("d" + std::to_string(run) + ".ini", "");
        EXPECT_EQ(RestoreServiceItem(s.job, 0, 0, u"S", dest.c_str()), StatusOk);
        EXPECT_EQ(Value(dest, "S", "ToolBreakPoint"), c.restored) << run;
        EXPECT_EQ(Value(dest, "Service", "1"), "S");
        EXPECT_EQ(Value(dest, "S", "Tool1"), "GR");
    }
    // A service the archive does not hold leaves the installed one alone.
    {
        ScratchJob s(tmp, true);
        s.job.flags |= VKF_QUIET;
        s.job.servicesPath = Ini("other.wsv", "[Service]\n1=Other\n[Other]\nDevice1=x\n");
        s.job.toolsPath = Ini("other.wcf", "");
        const std::u16string dest = Ini("installed.ini", "[Service]\n1=S\n[S]\nLogInterval=2\n");
        EXPECT_EQ(RestoreServiceItem(s.job, 0, 0, u"S", dest.c_str()), StatusFailed);
        EXPECT_EQ(Value(dest, "S", "LogInterval"), "2");
        EXPECT_EQ(Value(s.job.metadataPath, "ServiceRestore", "S"), "1");
        EXPECT_EQ(RestoreServiceItem(s.job, 0, 0, u"", dest.c_str()), StatusFailed);
    }
    // No destination: nothing written, recorded as failed.
    ScratchJob s(tmp, true);
    EXPECT_EQ(RestoreServiceItem(s.job, 0, 0, u"S", nullptr), StatusFailed);
    EXPECT_EQ(Value(s.job.metadataPath, "ServiceRestore", "S"), "1");
}

} // namespace
} // namespace vk::toolstest
