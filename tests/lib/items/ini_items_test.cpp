// Ini-section items: section types, the section copy, XferIniKey, the
// main-ini transfer of the demo's two main files and the ini restore item.
#include <algorithm>

#include "lib/engine/file_items.h"
#include "lib/engine/ini_items.h"
#include "tests/lib/items/items_fixture.h"

using vk::test::ItemsTest;

namespace {

std::string DemoFile(const std::string &relative) {
    return vk::test::ReadFile(std::string(VK_SOURCE_DIR) + "/demo/" + relative);
}

// The values of a numbered list 1, 2, ... up to its first gap.
std::vector<std::u16string> List(const std::u16string &file, const char16_t *section) {
    std::vector<std::u16string> values;
    for (int n = 1;; ++n) {
        const std::u16string v = vk::ini::ReadString(section, vk::test::U(std::to_string(n)), u"", file);
        if (v.empty()) return values;
        values.push_back(v);
    }
}

} // namespace

TEST(SectionTypes, DescriptionsAndNames) {
    EXPECT_EQ(VKTypeFromDesc(u"Printers"), 1004);
    EXPECT_EQ(VKTypeFromDesc(u"pRINTERS"), 1004);
    EXPECT_EQ(VKTypeFromDesc(u"Color Maps"), 1003);
    EXPECT_EQ(VKTypeFromDesc(u"Job Plan"), 1023);
    EXPECT_EQ(VKTypeFromDesc(u"Unit_Maps"), 1013);
    EXPECT_EQ(VKTypeFromDesc(u"Unit Maps"), 99999);
    EXPECT_EQ(VKTypeFromDesc(u""), 99999);
    EXPECT_EQ(VKTypeFromDesc(nullptr), 99999);
    for (int32_t code = 1003; code <= 1023; ++code)
        EXPECT_EQ(VKTypeFromDesc(vk::engine::SectionTypeName(code)), code);
    EXPECT_EQ(std::u16string(vk::engine::SectionTypeName(1002)), u"Unknown");
    EXPECT_EQ(std::u16string(vk::engine::SectionTypeName(1024)), u"Unknown");
}

TEST_F(ItemsTest, XferIniKeyEmptiesAndCopiesNonEmptyValues) {
    Put("config/src.ini", "[GR-GR1001]\r\nCal=1\r\nEmpty=\r\nGain=2\r\n");
    Put("config/dst.ini", "[GR-GR2002]\r\nOld=x\r\n[GR-Missing]\r\nOld=y\r\n[Other]\r\nK=1\r\n");
    const std::u16string src = P("config/src.ini"), dst = P("config/dst.ini");
    EXPECT_EQ(XferIniKey(u"GR", u"GR1001", src.c_str(), u"GR2002", dst.c_str()), 0);
    EXPECT_EQ(Ini("config/dst.ini", u"GR-GR2002", u"Cal"), u"1");
    EXPECT_EQ(Ini("config/dst.ini", u"GR-GR2002", u"Gain"), u"2");
    EXPECT_EQ(Ini("config/dst.ini", u"GR-GR2002", u"Empty"), u"<missing>");
    EXPECT_EQ(Ini("config/dst.ini", u"GR-GR2002", u"Old"), u"<missing>");
    // No source section: the destination is emptied all the same.
    EXPECT_EQ(XferIniKey(u"GR", u"Nothing", src.c_str(), u"Missing", dst.c_str()), 0);
    EXPECT_EQ(Ini("config/dst.ini", u"GR-Missing", u"Old"), u"<missing>");
    EXPECT_EQ(Ini("config/dst.ini", u"Other", u"K"), u"1");
    // Onto itself: the values survive.
    EXPECT_EQ(XferIniKey(u"GR", u"GR1001", src.c_str(), u"GR1001", src.c_str()), 0);
    EXPECT_EQ(Ini("config/src.ini", u"GR-GR1001", u"Gain"), u"2");
    EXPECT_EQ(XferIniKey(nullptr, nullptr, nullptr, nullptr, nullptr), 0);
}

TEST_F(ItemsTest, SectionTransferRules) {
    Put("config/a.ini", "[S]\r\nK=1\r\nE=\r\n[Empty]\r\n");
    Put("config/b.ini", "[S]\r\nOld=1\r\n[Keep]\r\nK=keep\r\n");
    const std::u16string a = P("config/a.ini"), b = P("config/b.ini");
    using vk::engine::TransferSection;
    EXPECT_EQ(TransferSection(u"S", u"S", nullptr, a, b), StatusOk);
    EXPECT_EQ(Ini("config/b.ini", u"S", u"Old"), u"<missing>");
    EXPECT_EQ(Ini("config/b.ini", u"S", u"E"), u""); // copied as an empty key
    // Missing or empty source: the destination keeps what it had.
    EXPECT_EQ(TransferSection(u"Keep", u"Keep", nullptr, a, b), StatusOk);
    EXPECT_EQ(TransferSection(u"Empty", u"Keep", nullptr, a, b), StatusOk);
    EXPECT_EQ(TransferSection(u"S", u"Keep", u"E", a, b), StatusOk);
    EXPECT_EQ(Ini("config/b.ini", u"Keep", u"K"), u"keep");
    EXPECT_EQ(TransferSection(u"S", u"Keep", u"K", a, b), StatusOk);
    EXPECT_EQ(Ini("config/b.ini", u"Keep", u"K"), u"1");

    // An ini item of a backup call names the installed file twice; the
    // section must not be wiped by copying it onto itself.
    Put("config/WProperties.ini", "[Preferences]\r\nDepth=Feet\r\n");
    BackupJob job = MakeJob(true);
    EXPECT_EQ(vk::engine::BackupIniItem(job, 1005, u"Preferences", u"Preferences", nullptr,
                                        P("config/WProperties.ini"), nullptr),
              StatusOk);
    EXPECT_EQ(Ini("config/WProperties.ini", u"Preferences", u"Depth"), u"Feet");
    EXPECT_EQ(Why(job, u"IniBk", u"1"), u"0,1005,Preferences");
    EXPECT_EQ(vk::engine::BackupIniItem(job, 1005, u"P", u"P", nullptr, u"WProperties.ini", nullptr), StatusFailed);
    EXPECT_EQ(vk::engine::BackupIniItem(job, 1024, u"P", u"P", nullptr, P("config/WProperties.ini"), nullptr),
              StatusInvalidBackupType);
    EXPECT_EQ(Why(job, u"IniBk", u"2"), u"");
}

TEST_F(ItemsTest, MainTransferOfWProperties) {
    Put("config/WProperties.ini", DemoFile("config/WProperties.ini"));
    BackupJob job = MakeJob(true);
    EXPECT_EQ(vk::engine::BackupFileItem(job, 1002, 0, 0, P("config/WProperties.ini"), nullptr, nullptr), StatusOk);
    EXPECT_EQ(Why(job, u"FileBk", u"1999\\WProperties.ini"), u"0,1999");
    const std::string out = "work/1999/WProperties.ini";
    const std::u16string file = P(out);

    // Colour maps up to the gap, from [Screen]; the list itself stays home.
    EXPECT_EQ(Ini(out, u"Screen", u"GammaRay"), u"0x0000A000,0x00FFFFFF");
    EXPECT_EQ(Ini(out, u"Screen", u"Porosity"), u"0x00FF8000,0x00000080");
    EXPECT_EQ(Ini(out, u"Screen", u"Saturation"), u"<missing>");
    EXPECT_EQ(Ini(out, u"Screen", u"BackColor"), u"<missing>");
    EXPECT_EQ(Ini(out, u"Color Maps", u"1"), u"<missing>");
    // Printers: every list entry, the sections that exist.
    EXPECT_EQ(List(file, u"Printers"),
              (std::vector<std::u16string>{u"OfficeLaser,pcl6,/dev/usb/lp0", u"FieldPlotter,thermal,/dev/ttyS1",
                                           u"PDF Writer,pdf,FILE:", u"Spare Plotter,thermal,/dev/ttyS2"}));
    EXPECT_EQ(Ini(out, u"FieldPlotter", u"HeaderFirst"), u"1");
    EXPECT_EQ(Ini(out, u"PDF Writer", u"OutputFolder"), u"");
    // Whole sections, preferences, acquisition by its rules, company info.
    EXPECT_EQ(Ini(out, u"Math Pack", u"1"), u"Vsh=(GR-GRmin)/(GRmax-GRmin)");
    EXPECT_EQ(Ini(out, u"Job Plan", u"Template"), u"standard.lst");
    EXPECT_EQ(Ini(out, u"Preferences", u"AllowAutoDemo"), u"1");
    EXPECT_EQ(Ini(out, u"Preferences", u"StartMaximized"), u"<missing>");
    for (const char16_t *in : {u"SampleRate", u"DepthEncoder", u"MaxSensor", u"LineSpeedLimit", u"MaxChannels"})
        EXPECT_NE(Ini(out, u"Acquisition", in), u"<missing>") << vk::test::N(in);
    for (const char16_t *outKey : {u"Units", u"CCLClamp", u"CCLShift", u"CCLSquare", u"CCLThreshold", u"MaxFilter",
                                   u"Version", u"MaxCalibration", u"MaxOutput"})
        EXPECT_EQ(Ini(out, u"Acquisition", outKey), u"<missing>") << vk::test::N(outKey);
    EXPECT_EQ(Ini(out, u"CompanyInfo", u"Address"), u"Hafenstraße 12");
    const std::string written = Read(out);
    for (const char *never : {"[Global]", "[Window]", "[Recent Files]", "[Backup]", "[Noise]", "[Spare Plotter]"})
        EXPECT_EQ(written.find(never), std::string::npos) << never;

    // The records, one per distinct item.
    std::vector<std::u16string> records = List(work + u"Backup.why", u"IniBk");
    auto has = [&](const std::u16string &r) { return std::find(records.begin(), records.end(), r) != records.end(); };
    EXPECT_TRUE(has(u"0,1003,Screen,Lithology"));
    EXPECT_FALSE(has(u"0,1003,Screen,Saturation"));
    EXPECT_TRUE(has(u"0,1004,Spare Plotter"));
    EXPECT_TRUE(has(u"0,1015,Noise"));
    EXPECT_TRUE(has(u"0,1006,Acquisition,MaxSensor"));
    EXPECT_TRUE(has(u"0,1020,CompanyInfo,City"));
    EXPECT_EQ(records.size(), 3u + 4u + 16u + 5u + 6u + 4u);
}

TEST_F(ItemsTest, MainTransferOfTalvernIni) {
    Put("config/talvern.ini", DemoFile("config/talvern.ini"));
    BackupJob job = MakeJob(true);
    EXPECT_EQ(vk::engine::BackupFileItem(job, 1002, 0, 0, P("config/talvern.ini"), nullptr, nullptr), StatusOk);
    EXPECT_FALSE(vk::test::FileExists(root + "work/1999/talvern.ini"));
    EXPECT_EQ(Why(job, u"FileBk", u"1999\\WProperties.ini"), u"0,1999");
    const std::string out = "work/1999/WProperties.ini";
    // Preferences from [Global], then from [Acquisition]; the company name.
    EXPECT_EQ(Ini(out, u"Preferences", u"Depth"), u"Meters");
    EXPECT_EQ(Ini(out, u"Preferences", u"DemoMode"), u"1");
    EXPECT_EQ(Ini(out, u"Preferences", u"Preview"), u"0");
    EXPECT_EQ(Ini(out, u"CompanyInfo", u"Service Company"), u"Nordheim Wireline Services");
    // Thresholds: 751 and 2000 travel, 100 stays.
    EXPECT_EQ(Ini(out, u"Acquisition", u"MaxSensor"), u"751");
    EXPECT_EQ(Ini(out, u"Acquisition", u"MaxCalibration"), u"2000");
    EXPECT_EQ(Ini(out, u"Acquisition", u"MaxOutput"), u"<missing>");
    EXPECT_EQ(Ini(out, u"Acquisition", u"Preview"), u"<missing>");
    // A colour map without colours is recorded, nothing written.
    EXPECT_EQ(Ini(out, u"Screen", u"Bitmap Shading"), u"<missing>");
    const std::vector<std::u16string> records = List(work + u"Backup.why", u"IniBk");
    EXPECT_NE(std::find(records.begin(), records.end(), u"0,1003,Screen,Bitmap Shading"), records.end());
}

TEST_F(ItemsTest, ThresholdsAndMissingMainFile) {
    Put("config/WProperties.ini",
        "[Acquisition]\r\nMaxSensor=750\r\nMaxCalibration=751\r\nMaxOutput=\r\nRate=5\r\n");
    BackupJob job = MakeJob(true);
    EXPECT_EQ(vk::engine::BackupFileItem(job, 1002, 0, 0, P("config/WProperties.ini"), nullptr, nullptr), StatusOk);
    const std::string out = "work/1999/WProperties.ini";
    EXPECT_EQ(Ini(out, u"Acquisition", u"MaxSensor"), u"<missing>");
    EXPECT_EQ(Ini(out, u"Acquisition", u"MaxCalibration"), u"751");
    EXPECT_EQ(Ini(out, u"Acquisition", u"MaxOutput"), u"<missing>");
    EXPECT_EQ(Ini(out, u"Acquisition", u"Rate"), u"5");

    // A main file that is not there is no success.
    BackupJob other = MakeJob(true);
    Answer() = 0;
    EXPECT_EQ(vk::engine::BackupFileItem(other, 1002, 0, 0, P("bin/talvern.ini"), nullptr, nullptr),
              StatusNoSourceFile);
    EXPECT_EQ(Why(other, u"FileBk", u"1999\\WProperties.ini"), u"6,1999");
}

TEST_F(ItemsTest, IniRestoreItems) {
    Put("work/1999/WProperties.ini",
        "[Screen]\r\nLithology=1,2\r\nGammaRay=3,4\r\n[Printers]\r\n1=OfficeLaser,pcl6,/dev/usb/lp0\r\n"
        "[OfficeLaser]\r\nDuplex=1\r\n[Loose]\r\nK=1\r\n[Preferences]\r\nDepth=Meters\r\n");
    Put("config/WProperties.ini", "[Color Maps]\r\n1=Lithology\r\n[Preferences]\r\nDepth=Feet\r\nUnits=English\r\n");
    BackupJob job = MakeJob(false);
    using vk::engine::RestoreIniItem;
    const std::u16string dest = P("config/WProperties.ini");
    EXPECT_EQ(RestoreIniItem(job, 1003, u"Screen", u"Lithology", nullptr), StatusOk);
    EXPECT_EQ(RestoreIniItem(job, 1003, u"Screen", u"GammaRay", nullptr), StatusOk);
    EXPECT_EQ(RestoreIniItem(job, 1003, u"Screen", u"GammaRay", nullptr), StatusOk);
    EXPECT_EQ(List(dest, u"Color Maps"), (std::vector<std::u16string>{u"Lithology", u"GammaRay"}));
    EXPECT_EQ(Ini("config/WProperties.ini", u"Screen", u"GammaRay"), u"3,4");

    EXPECT_EQ(RestoreIniItem(job, 1004, u"OfficeLaser", nullptr, nullptr), StatusOk);
    EXPECT_EQ(RestoreIniItem(job, 1004, u"Loose", nullptr, nullptr), StatusOk);
    EXPECT_EQ(List(dest, u"Printers"), (std::vector<std::u16string>{u"OfficeLaser,pcl6,/dev/usb/lp0", u"Loose"}));
    EXPECT_EQ(Ini("config/WProperties.ini", u"OfficeLaser", u"Duplex"), u"1");

    EXPECT_EQ(RestoreIniItem(job, 1005, u"Preferences", u"Depth", nullptr), StatusOk);
    EXPECT_EQ(Ini("config/WProperties.ini", u"Preferences", u"Depth"), u"Meters");
    EXPECT_EQ(Ini("config/WProperties.ini", u"Preferences", u"Units"), u"English");
    EXPECT_EQ(RestoreIniItem(job, 1002, u"Preferences", nullptr, nullptr), StatusInvalidBackupType);

    EXPECT_EQ(List(work + u"Backup.why", u"IniRestore"),
              (std::vector<std::u16string>{u"0,1003,Screen,Lithology", u"0,1003,Screen,GammaRay", u"0,1004,OfficeLaser",
                                           u"0,1004,Loose", u"0,1005,Preferences,Depth"}));

    // Another destination file, given by the caller.
    Put("config/other.ini", "");
    EXPECT_EQ(RestoreIniItem(job, 1009, u"Loose", nullptr, P("config/other.ini").c_str()), StatusOk);
    EXPECT_EQ(Ini("config/other.ini", u"Loose", u"K"), u"1");
}

TEST_F(ItemsTest, Version7ArchivesSkipPrinters) {
    Put("work/1999/WProperties.ini", "[Printers]\r\n1=OfficeLaser,pcl6\r\n[OfficeLaser]\r\nDuplex=1\r\n");
    Put("config/WProperties.ini", "[Global]\r\nTCP=1\r\n");
    BackupJob job = MakeJob(false);
    job.translate = &vk::engine::Version7Hook;
    EXPECT_EQ(vk::engine::RestoreIniItem(job, 1004, u"OfficeLaser", nullptr, nullptr), StatusSkipOne);
    EXPECT_EQ(Ini("config/WProperties.ini", u"OfficeLaser", u"Duplex"), u"<missing>");
    EXPECT_EQ(Ini("config/WProperties.ini", u"Printers", u"1"), u"<missing>");
    EXPECT_EQ(Why(job, u"IniRestore", u"1"), u"3,1004,OfficeLaser");
}
