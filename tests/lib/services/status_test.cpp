// Status texts and the results report: name, when it is written, its listing
// in success and error mode, its single-byte CR LF form, and failures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "lib/services/directories.h"
#include "lib/services/status.h"
#include "platform/fs/fs.h"
#include "tests/support/test_support.h"
#include "vaultkeeplib.h"

using vk::lib::ReportRequest;
using vk::test::FileExists;
using vk::test::N;
using vk::test::ReadFile;
using vk::test::TempFolder;
using vk::test::U;
using vk::test::WriteFile;

namespace {

vk::fs::LocalTime March5() {
    vk::fs::LocalTime t{};
    t.year = 2024;
    t.month = 3;
    t.day = 5;
    t.hour = 9;
    t.minute = 7;
    t.second = 3;
    return t;
}

// Log of a backup that touched every kind of item, in both directions.
constexpr char kWhy[] =
    "[Talvern Backup Utility]\r\nName=demo\r\nBackupVersion=7.0\r\n"
    "[ServiceBk]\r\nSvc1=0\r\nSvc2=1\r\n"
    "[ToolBk]\r\nToolA=0\r\nToolB=14:Calibration missing\r\nToolC=14\r\nToolD=10\r\n"
    "[FileBk]\r\n4001\\a.ini=14:Copying A - Ok,1001\r\n4001\\b.ini=0,1001\r\n4001\\c.ini=9,1001\r\n"
    "4001\\d.ini=14:Copying D - Failed,1001\r\n4001\\e.ini=14\r\n"
    "[IniBk]\r\n1=11,1005,Printers\r\n2=0,1003,Acquisition,Key1\r\n3=0,1010\r\n4=1\r\n"
    "[FileRestore]\r\nz.ini=9,4001\r\n"
    "[ToolRestore]\r\n";

constexpr char kBackupReport[] =
    "Backup Results\r\n"
    "\r\n\r\n*** SUCCESSFUL ITEMS ***\r\n\r\n"
    "\r\nServices:\r\nSvc1 : Ok\r\n"
    "\r\nTools:\r\nToolA : Ok\r\n"
    "\r\nFiles:\r\n<4001\\a.ini> : Copying A - Ok\r\n<4001\\b.ini> : Ok\r\n"
    "<4001\\e.ini> : Unknown or multiple errors\r\n"
    "\r\nIni Items\r\nAcquisition,Key1 : Ok\r\n1010 : Ok\r\n"
    "\r\n\r\n*** ERROR ITEMS ***\r\n\r\n"
    "\r\nServices:\r\nSvc2 : Failed\r\n"
    "\r\nTools:\r\nToolB : Calibration missing\r\nToolD : Access denied.\r\n"
    "\r\nFiles:\r\n<4001\\c.ini> : System error.\r\n<4001\\d.ini> : Copying D - Failed\r\n"
    "<4001\\e.ini> : Unknown or multiple errors\r\n"
    "\r\nIni Items\r\nPrinters : Ini fail.\r\n1 : Failed\r\n";

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(tmp.file("work/Backup.why"), kWhy);
        std::filesystem::create_directories(tmp.file("backup"));
    }
    void TearDown() override { vk::fs::ResetFaults(); }

    ReportRequest Request(bool backup) {
        ReportRequest r;
        r.backup = backup;
        r.started = 1;
        r.reportDue = true;
        r.whyPath = tmp.ufile("work/Backup.why");
        r.folder = tmp.ufile("backup/");
        r.translateEntry = [](std::u16string_view key) { return u"<" + std::u16string(key) + u">"; };
        r.clock = March5;
        r.openViewer = [this](std::u16string_view path) {
            opened.emplace_back(path);
            return true;
        };
        return r;
    }
    size_t ReportCount() {
        std::error_code ec;
        size_t n = 0;
        for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(tmp.file("backup"), ec)) ++n;
        return n;
    }

    TempFolder tmp;
    std::vector<std::u16string> opened;
};

} // namespace

TEST(StatusText, EveryCodeHasItsText) {
    const std::pair<int, std::u16string> cases[] = {
        {0, u"Ok"},
        {1, u"Failed"},
        {2, u"Cancelled"},
        {3, u"Skip one."},
        {4, u"Skip all."},
        {5, u"Invalid backup type."},
        {6, u"No source file."},
        {7, u"Destination file exists."},
        {8, u"Destination file has newer version."},
        {9, u"System error."},
        {10, u"Access denied."},
        {11, u"Ini fail."},
        {12, u"Unknown or multiple errors"},
        {13, u"File not restored. Unable to translate to current version"},
        {14, u"Unknown or multiple errors"},
        {15, u"Unknown or multiple errors"},
        {-1, u"Unknown or multiple errors"},
        {99999, u"Unknown or multiple errors"},
    };
    for (const auto &[code, text] : cases) {
        const char16_t *t = VKStatusToText(code);
        ASSERT_NE(t, nullptr) << code;
        EXPECT_EQ(std::u16string(t), text) << code;
    }
}

TEST(StatusText, LeadingNumberOfALogValue) {
    const std::pair<std::u16string, int> cases[] = {
        {u"0,1001", 0}, {u"9,1001", 9},   {u"14:Copying A - Ok,1001", 14}, {u"", 0},
        {u"abc", 0},    {u" 11,x", 11},   {u"-3", -3},                      {u"99999999999999", 2147483647},
    };
    for (const auto &[value, code] : cases) EXPECT_EQ(vk::lib::StatusOfValue(value), code) << N(value);
}

TEST(ReportName, FromTheLocalTimeWithOneSeparator) {
    const auto t = March5();
    EXPECT_EQ(vk::lib::ResultsReportPath(u"/srv/backup/", t, true), u"/srv/backup/2024.03.05.09.07.03.BackupResults.txt");
    EXPECT_EQ(vk::lib::ResultsReportPath(u"/srv/backup", t, false), u"/srv/backup/2024.03.05.09.07.03.RestoreResults.txt");
    // No folder: the current folder, never the root.
    EXPECT_EQ(vk::lib::ResultsReportPath(u"", t, true), u"2024.03.05.09.07.03.BackupResults.txt");
    // A long folder is never cut into another name.
    const std::u16string longFolder = u"/" + std::u16string(300, u'f') + u"/";
    const std::u16string p = vk::lib::ResultsReportPath(longFolder, t, true);
    EXPECT_EQ(p, longFolder + u"2024.03.05.09.07.03.BackupResults.txt");
    vk::fs::LocalTime late{2031, 12, 31, 23, 59, 59, 999, 0};
    EXPECT_EQ(vk::lib::ResultsReportPath(u"/b/", late, false), u"/b/2031.12.31.23.59.59.RestoreResults.txt");
}

TEST_F(ReportTest, BackupReportListsSuccessesThenErrors) {
    const std::u16string path = vk::lib::WriteResultsReport(Request(true));
    EXPECT_EQ(path, tmp.ufile("backup/2024.03.05.09.07.03.BackupResults.txt"));
    EXPECT_EQ(ReadFile(N(path)), kBackupReport);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], path);
}

TEST_F(ReportTest, RestoreReportReadsTheRestoreSections) {
    const std::u16string path = vk::lib::WriteResultsReport(Request(false));
    EXPECT_EQ(path, tmp.ufile("backup/2024.03.05.09.07.03.RestoreResults.txt"));
    // ToolRestore is there but empty: no heading. The other restore sections are missing.
    EXPECT_EQ(ReadFile(N(path)), "Restore Results\r\n"
                                 "\r\n\r\n*** SUCCESSFUL ITEMS ***\r\n\r\n"
                                 "\r\nFiles:\r\n"
                                 "\r\n\r\n*** ERROR ITEMS ***\r\n\r\n"
                                 "\r\nFiles:\r\n<z.ini> : System error.\r\n");
}

TEST_F(ReportTest, WrittenOnlyForStartedJobsThatAreDueOrAsked) {
    struct Case {
        int started;
        bool due, asked, written;
    } cases[] = {
        {0, true, true, false}, {1, false, false, false}, {1, true, false, true}, {1, false, true, true},
    };
    for (const Case &c : cases) {
        ReportRequest r = Request(false);
        r.started = c.started;
        r.reportDue = c.due;
        r.reportAsked = c.asked;
        EXPECT_EQ(vk::lib::ReportWanted(r), c.written);
        const std::u16string path = vk::lib::WriteResultsReport(r);
        EXPECT_EQ(!path.empty(), c.written);
        EXPECT_EQ(FileExists(N(path.empty() ? tmp.ufile("backup/2024.03.05.09.07.03.RestoreResults.txt") : path)),
                  c.written);
        if (!path.empty()) std::filesystem::remove(N(path));
    }
    EXPECT_EQ(opened.size(), 2u);
}

TEST_F(ReportTest, SingleByteTextWithoutWiderCharacters) {
    WriteFile(tmp.file("work/Backup.why"), "[FileBk]\r\n4001\\W\xc3\xa4rme\xe2\x82\xac.ini=0,4001\r\n");
    ReportRequest r = Request(true);
    r.translateEntry = nullptr; // the key itself
    const std::u16string path = vk::lib::WriteResultsReport(r);
    const std::string text = ReadFile(N(path));
    EXPECT_NE(text.find("\r\nFiles:\r\n4001\\W\xe4rme.ini : Ok\r\n"), std::string::npos);
    EXPECT_EQ(text.rfind("Backup Results\r\n", 0), 0u); // no byte-order mark
    EXPECT_EQ(text.find("\n\n"), std::string::npos);     // every line end is CR LF
}

TEST_F(ReportTest, FailuresLeaveNoReportAndOpenNothing) {
    ReportRequest r = Request(true);
    r.folder = tmp.ufile("no such folder/");
    EXPECT_EQ(vk::lib::WriteResultsReport(r), u"");

    for (vk::fs::Op op : {vk::fs::Op::Open, vk::fs::Op::Write, vk::fs::Op::Flush}) {
        vk::fs::ResetFaults();
        vk::fs::FailNth(op, 1, vk::fs::kErrorDiskFull);
        EXPECT_EQ(vk::lib::WriteResultsReport(Request(true)), u"") << static_cast<int>(op);
        EXPECT_EQ(ReportCount(), 0u) << static_cast<int>(op);
    }
    EXPECT_TRUE(opened.empty());
}

TEST_F(ReportTest, DefaultFolderIsTheBackupFolder) {
    const char *old = std::getenv("VAULTKEEP_REGISTRY");
    const std::string saved = old ? old : "";
    // A folder value without its trailing separator still gives one separator.
    WriteFile(tmp.file("registry.reg"), "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\r\n"
                                        "\"DataDir\"=\"" + tmp.file("data") + "\"\r\n");
    ::setenv("VAULTKEEP_REGISTRY", tmp.file("registry.reg").c_str(), 1);
    vk::lib::LoadDirectories();
    ReportRequest r = Request(true);
    r.folder.clear();
    std::filesystem::create_directories(tmp.file("data"));
    EXPECT_EQ(vk::lib::WriteResultsReport(r), tmp.ufile("data/2024.03.05.09.07.03.BackupResults.txt"));
    if (old) ::setenv("VAULTKEEP_REGISTRY", saved.c_str(), 1);
    else ::unsetenv("VAULTKEEP_REGISTRY");
    vk::lib::LoadDirectories();
}
