// The program's start-up and its command-line runs on the headless backend,
// over the demo installation: hidden windows, the progress dialog, the end of
// the process after every run, and the runs' progress procedures.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/resources/app_dialogs.h"
#include "app/shell/app_state.h"
#include "app/shell/archive_target.h"
#include "app/shell/backup_meter.h"
#include "app/shell/backup_page.h"
#include "app/shell/backup_run.h"
#include "app/shell/figures.h"
#include "app/shell/restore_run.h"
#include "app/shell/run_steps.h"
#include "app/shell/settings.h"
#include "platform/ui/treeview.h"
#include "tests/app/shell/probe.h"
#include "tests/app/shell/shell_fixture.h"
#include "tests/support/test_support.h"

using namespace vk::app;
using namespace vk::test;
namespace ui = vk::ui;

namespace {

int CountKeyFolders() {
    int n = 0;
    for (const auto &e : std::filesystem::directory_iterator(DemoRoot() + "backup"))
        if (e.is_directory() && e.path().filename().string().rfind("KEY", 0) == 0) ++n;
    return n;
}

std::string MainStatus() { return N(ui::GetDlgItemText(State().mainDialog, kStatusLine)); }

} // namespace

TEST_F(ShellTest, WithoutADisplayAnInteractiveStartIsRefused) {
    StartOptions options; // a display is required
    EXPECT_EQ(StartUp(u"", options), StartUpResult::NeedsDisplay);
    EXPECT_EQ(State().mainWindow, nullptr);
    EXPECT_TRUE(ui::Children(nullptr).empty());
    EXPECT_NE(std::string(NeedsDisplayText()).find("configbackup"), std::string::npos);
}

TEST_F(ShellTest, ACommandWordNeedsNoDisplay) {
    ResetState();
    EXPECT_EQ(StartUp(u"varinstall", StartOptions{}), StartUpResult::Ready);
}

TEST_F(ShellTest, ConfigBackupRunsHiddenInItsProgressDialogAndEnds) {
    TempFolder tmp;
    ASSERT_EQ(Start("configbackup file " + tmp.file("night copy")), StartUpResult::Ready);
    AppState &s = State();
    EXPECT_FALSE(ui::IsVisible(s.mainWindow));
    EXPECT_FALSE(ui::IsVisible(s.backupPage));
    EXPECT_EQ(N(s.reason), "Configuration Backup");

    RunProbe &probe = StartRunProbe(false);
    RunCommandLineMode();
    ASSERT_TRUE(probe.fired);
    EXPECT_EQ(N(probe.hostTitle), "Configuration Backup");
    EXPECT_TRUE(probe.hostVisible);
    EXPECT_FALSE(probe.mainVisible);
    EXPECT_FALSE(s.commandLineFailed);
    // The progress dialog is gone; the main dialog is the host again.
    EXPECT_EQ(s.hostDialog, s.mainDialog);
    EXPECT_TRUE(FileExists(tmp.file("night copy.conf.vkb")));
    EXPECT_TRUE(Boxes().empty());

    CloseAfterCommandLineRun();
    EXPECT_FALSE(ui::IsWindow(s.mainWindow));
    EXPECT_EQ(ui::RunMessageLoop(), 0);
}

// Without "file" the archive gets the name the page proposes, in the
// installation's backup folder: never a hidden bin/.conf.vkb.
TEST_F(ShellTest, ConfigBackupWithoutFileWritesTheDefaultName) {
    ASSERT_EQ(Start("configbackup"), StartUpResult::Ready);
    const std::string proposed = N(PageState().defaultArchiveName);
    EXPECT_EQ(proposed.rfind(DemoRoot() + "backup/tal7cfg", 0), 0u) << proposed;
    RunCommandLineMode();
    EXPECT_FALSE(FileExists(DemoRoot() + "bin/.conf.vkb"));
    EXPECT_TRUE(FileExists(proposed));
    EXPECT_FALSE(State().commandLineFailed);
    std::filesystem::remove(proposed);
}

// Standard error gets a one-line bar while it is a terminal (here a catcher
// stands in for one), and nothing when it is not.
namespace {
std::string g_caught;
void Catch(std::string_view text) { g_caught += text; }
} // namespace

TEST_F(ShellTest, AnUnattendedRunDrawsOneLineOfProgressOnATerminal) {
    TempFolder tmp;
    g_caught.clear();
    SetMeterSink(&Catch);
    ASSERT_EQ(Start("configbackup file " + tmp.file("bar")), StartUpResult::Ready);
    RunCommandLineMode();
    SetMeterSink(nullptr);
    ASSERT_FALSE(g_caught.empty());
    // Redrawn in place: carriage returns, one final line end.
    EXPECT_EQ(g_caught.front(), '\r');
    EXPECT_EQ(g_caught.back(), '\n');
    EXPECT_EQ(std::count(g_caught.begin(), g_caught.end(), '\n'), 1);
    const std::string last = g_caught.substr(g_caught.rfind('\r') + 1);
    EXPECT_EQ(last.rfind("[##############################] 100%  ", 0), 0u) << last;
    EXPECT_NE(last.find(" files, "), std::string::npos) << last;
    EXPECT_NE(last.find("packing the archive"), std::string::npos) << last;
    EXPECT_NE(g_caught.find("   0%  0 of "), std::string::npos) << g_caught.substr(0, 200);

    // Not a terminal: nothing.
    g_caught.clear();
    MeterStart(3, 300, false);
    MeterFileDone(100, true);
    MeterFinish();
    EXPECT_TRUE(g_caught.empty());
}

TEST_F(ShellTest, TerminateDuringACommandLineRunStillEndsTheProgram) {
    TempFolder tmp;
    ASSERT_EQ(Start("configbackup file " + tmp.file("stopped")), StartUpResult::Ready);
    StartRunProbe(true);
    ui::QueueAnswers(u"box(Terminate):Yes");
    RunCommandLineMode();
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Terminate Process?"});
    EXPECT_EQ(State().keepOpen, 1);

    // The hidden windows do not stay behind: the program closes itself.
    CloseAfterCommandLineRun();
    EXPECT_FALSE(ui::IsWindow(State().mainWindow));
    EXPECT_EQ(ui::RunMessageLoop(), 0);
}

TEST_F(ShellTest, ConfigRestoreOpensAndClosesTheArchive) {
    TempFolder tmp;
    ASSERT_EQ(Start("configbackup file " + tmp.file("r")), StartUpResult::Ready);
    RunCommandLineMode();
    CloseAfterCommandLineRun();
    CleanUp();
    ui::ResetUiState();
    ResetState();

    const std::string archive = tmp.file("r.conf.vkb");
    ASSERT_EQ(Start("configrestore file " + archive), StartUpResult::Ready);
    EXPECT_EQ(N(State().reason), "Configuration Restore");
    RunProbe &probe = StartRunProbe(false);
    RunCommandLineMode();
    ASSERT_TRUE(probe.fired);
    EXPECT_EQ(N(probe.hostTitle), "Configuration Restore");
    EXPECT_FALSE(State().commandLineFailed);
    EXPECT_EQ(State().pendingRestore, nullptr);
    // The listing was announced and counted; nothing was restored.
    EXPECT_GT(RestoreCounts().total, 10);
    EXPECT_GT(RestoreCounts().seen, 10);
    EXPECT_EQ(RestoreCounts().restored, 0);
    EXPECT_EQ(N(vk::app::ProgramFolders().restoreFrom), archive);
    EXPECT_TRUE(Boxes().empty());
    // No results report: no item call was made.
    for (const auto &e : std::filesystem::directory_iterator(DemoRoot() + "backup"))
        EXPECT_EQ(e.path().string().find("RestoreResults"), std::string::npos) << e.path();

    CloseAfterCommandLineRun();
    EXPECT_EQ(ui::RunMessageLoop(), 0);
}

TEST_F(ShellTest, ConfigRestoreWithoutAnArchiveCallsNoLibraryAndSaysSo) {
    ASSERT_EQ(Start("configrestore"), StartUpResult::Ready);
    // Run on the main dialog as host, to read the final status.
    EXPECT_FALSE(RunConfigRestore(State().mainDialog, true, State().commandLineFile));
    EXPECT_EQ(MainStatus(), "0 items restored");
    EXPECT_EQ(State().stopFlag, 1);
    EXPECT_EQ(ui::WaitCursorDepth(), 0);
    EXPECT_TRUE(Boxes().empty());
    RunCommandLineMode();
    EXPECT_TRUE(State().commandLineFailed);
}

TEST_F(ShellTest, KeyTwiceMakesOneFolder) {
    const int before = CountKeyFolders();
    ASSERT_EQ(Start("key"), StartUpResult::Ready);
    EXPECT_EQ(N(State().reason), "Backup of critical files");
    RunCommandLineMode();
    EXPECT_EQ(CountKeyFolders(), before + 1);
    RunCommandLineMode();
    EXPECT_EQ(CountKeyFolders(), before + 1);
    CloseAfterCommandLineRun();
    EXPECT_EQ(ui::RunMessageLoop(), 0);
}

TEST_F(ShellTest, VarInstallEndsAtOnce) {
    ASSERT_EQ(Start("why first install -varinstall"), StartUpResult::Ready);
    EXPECT_EQ(State().runMode, kRunVarInstall);
    EXPECT_EQ(N(State().reason), "first install ");
    RunCommandLineMode();
    CloseAfterCommandLineRun();
    EXPECT_FALSE(ui::IsWindow(State().mainWindow));
    EXPECT_EQ(ui::RunMessageLoop(), 0);
}

TEST_F(ShellTest, CleanUpClosesAPendingRestore) {
    TempFolder tmp;
    ASSERT_EQ(Start("configbackup file " + tmp.file("p")), StartUpResult::Ready);
    RunCommandLineMode();
    int32_t go = 0;
    State().pendingRestore = VKRestoreInit(nullptr, 0, 0, U(tmp.file("p.conf.vkb")).c_str(), nullptr, nullptr, &go);
    ASSERT_NE(State().pendingRestore, nullptr);
    CleanUp();
    EXPECT_EQ(State().pendingRestore, nullptr);
}

// ---- The progress procedures -------------------------------------------------

TEST_F(ShellTest, RestoreProgressMovesTheBarWithTheCountedEntries) {
    ASSERT_EQ(Start("configrestore"), StartUpResult::Ready);
    auto announce = [](intptr_t n) { RestoreProgress(1, 0, reinterpret_cast<const char16_t *>(n)); };
    announce(200);
    EXPECT_EQ(ui::ProgressGetPos(State().progressBar), 0);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(RestoreProgress(2, 0, u"/opt/talvern/config/a.ini"), 0);
    EXPECT_EQ(ui::ProgressGetPos(State().progressBar), 50);
    // Passed over: no folder, and the two main settings files.
    for (const char16_t *t : {u"a.ini", u"/opt/talvern/config/WProperties.ini", u"/x/TALVERN.INI"})
        RestoreProgress(2, 0, t);
    EXPECT_EQ(RestoreCounts().seen, 100);
    RestoreProgress(3, 0, u"folder");
    EXPECT_EQ(RestoreCounts().seen, 101);
    EXPECT_EQ(ui::ProgressGetPos(State().progressBar), 50); // 50.5 truncated

    // Announcing nothing and counting anyway leaves the bar alone.
    announce(0);
    RestoreProgress(3, 0, u"x");
    EXPECT_EQ(ui::ProgressGetPos(State().progressBar), 0);
}

TEST_F(ShellTest, RestoreProgressAnswersCopyFailures) {
    ASSERT_EQ(Start("configrestore"), StartUpResult::Ready);
    struct Case {
        intptr_t status;
        int answer;
        const char *caption; // of the warning box, "" for none
    };
    const Case cases[] = {
        {StatusOk, 0, ""},
        {StatusDestinationNewer, 0, ""},
        {StatusWindowsError, 1, ""},
        {StatusFailed, 1, ""},
        {StatusAccessDenied, 0, "Error copying file.  File may be read-only"},
        {12, 0, "Error copying file. File in use"},
    };
    for (const Case &c : cases) {
        ui::ClearShownLog();
        EXPECT_EQ(RestoreProgress(9, c.status, u"/x/a.ini"), c.answer) << c.status;
        if (*c.caption) {
            ASSERT_EQ(ui::ShownLog().size(), 1u) << c.status;
            EXPECT_EQ(N(ui::ShownLog()[0].caption), c.caption);
            EXPECT_EQ(N(ui::ShownLog()[0].text), "/x/a.ini");
        } else {
            EXPECT_TRUE(ui::ShownLog().empty()) << c.status;
        }
    }
}

TEST_F(ShellTest, BackupProgressWarnsUntilTheFirstNo) {
    ASSERT_EQ(Start("configbackup"), StartUpResult::Ready);
    EXPECT_EQ(BackupProgress(9, StatusOk, u"/x/units.ini"), 1);
    EXPECT_EQ(MainStatus(), "/x/units.ini");

    ui::QueueAnswers(u"box:Yes; box:No");
    EXPECT_EQ(BackupProgress(9, StatusDestinationExists, u"/x/a.ini"), 1);
    EXPECT_TRUE(WarningsWanted());
    // A failed copy: no box of the program's own; 1 lets the library show its
    // box, which names the reason.
    EXPECT_EQ(BackupProgress(9, StatusWindowsError, u"/x/b.ini"), 1);
    EXPECT_EQ(ui::ShownLog().size(), 1u);
    EXPECT_EQ(BackupProgress(9, StatusDestinationExists, u"/x/c.ini"), 1);
    EXPECT_FALSE(WarningsWanted());
    EXPECT_EQ(BackupProgress(9, StatusDestinationExists, u"/x/d.ini"), 1);
    // Warnings off: the library's box stays away too.
    EXPECT_EQ(BackupProgress(9, StatusWindowsError, u"/x/e.ini"), 0);

    const auto &shown = ui::ShownLog();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(N(shown[0].caption), "Warning");
    EXPECT_EQ(N(shown[0].text), "/x/a.ini not backed up.\n\nA file by this name may have been copied from another "
                                "directory already..\n\nContinue with warnings?");
    EXPECT_EQ(N(shown[1].text).rfind("/x/c.ini not backed up.", 0), 0u);
    for (const auto &box : shown) EXPECT_EQ(N(box.caption).find("Windows"), std::string::npos);
    // Other codes do nothing.
    EXPECT_EQ(BackupProgress(2, 0, u"entry"), 1);
    EXPECT_EQ(MainStatus(), "/x/units.ini");
}

// ---- Rules without windows ---------------------------------------------------

TEST(ArchiveName, TheExtensionRule) {
    const std::string longName(250, 'n');
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"/b/x", "/b/x.conf.vkb"},
        {"/b/x.conf.vkb", "/b/x.conf.vkb"},
        {"/b/x.CONF.VKB", "/b/x.CONF.VKB"},
        {".conf.vkb", ".conf.vkb.conf.vkb"},
        {"", ".conf.vkb"},
        {"/b/x.vkb", "/b/x.vkb.conf.vkb"},
        {"/b/x.conf.vkb.bak", "/b/x.conf.vkb.bak.conf.vkb"},
        {longName, (longName + ".conf.vkb").substr(0, 255)},
    };
    for (const Case &c : cases) EXPECT_EQ(N(WithArchiveExtension(U(c.in))), c.out) << c.in;
}

TEST(ArchiveName, AFolderOrNoNameTakesTheDefaultName) {
    TempFolder tmp;
    const std::u16string def = u"/opt/talvern/backup/tal7cfg240131.conf.vkb";
    EXPECT_EQ(N(ArchiveInFolder(u"", def)), N(def));
    EXPECT_EQ(N(ArchiveInFolder(tmp.upath(), def)), tmp.file("tal7cfg240131.conf.vkb"));
    const std::string bare = tmp.path().substr(0, tmp.path().size() - 1);
    EXPECT_EQ(N(ArchiveInFolder(U(bare), def)), tmp.file("tal7cfg240131.conf.vkb"));
    EXPECT_EQ(N(ArchiveInFolder(u"/not/there/", def)), "/not/there/tal7cfg240131.conf.vkb");
    EXPECT_EQ(N(ArchiveInFolder(U(tmp.file("x")), def)), tmp.file("x")); // a file name stays
}

TEST(BackupMeter, TheBarCoversCopyAndArchiveByBytes) {
    MeterStart(4, 1000, false);
    EXPECT_EQ(MeterPosition(), 0);
    MeterFileDone(500, true);
    EXPECT_EQ(MeterPosition(), 25);
    MeterFileDone(500, false); // failed files are done too
    EXPECT_EQ(MeterPosition(), 50);
    EXPECT_EQ(Meter().copiedFiles, 1);
    EXPECT_EQ(Meter().copiedBytes, 500u);
    MeterArchiveStart();
    EXPECT_EQ(MeterPosition(), 50);
    MeterArchiveProgress(u"40%");
    EXPECT_EQ(MeterPosition(), 70);
    MeterArchiveProgress(u"junk"); // not a share: ignored
    MeterArchiveProgress(u"30%");  // never backwards
    EXPECT_EQ(MeterPosition(), 70);
    MeterArchiveProgress(u"100%");
    EXPECT_EQ(MeterPosition(), 100);
    // Files without bytes count by number.
    MeterStart(2, 0, false);
    MeterFileDone(0, true);
    EXPECT_EQ(MeterPosition(), 25);
    EXPECT_EQ(MeterLine(), "[#######.......................]  25%  1 of 2 files, 0 bytes of 0 bytes");
}

TEST(Figures, CountsAndSizes) {
    EXPECT_EQ(N(GroupedNumber(0)), "0");
    EXPECT_EQ(N(GroupedNumber(999)), "999");
    EXPECT_EQ(N(GroupedNumber(3027)), "3,027");
    EXPECT_EQ(N(GroupedNumber(1234567)), "1,234,567");
    EXPECT_EQ(N(SizeText(1)), "1 byte");
    EXPECT_EQ(N(SizeText(1023)), "1,023 bytes");
    EXPECT_EQ(N(SizeText(1536)), "1.5 KB");
    EXPECT_EQ(N(SizeText(98ull * 1024 * 1024 + 5)), "98 MB");
    EXPECT_EQ(N(SizeText(3ull << 30)), "3.0 GB");
    EXPECT_EQ(N(CompletedStatus(3027, 98ull << 20, u"/b/x.conf.vkb")),
              "Backup completed: 3,027 files, 98 MB, in /b/x.conf.vkb");
    EXPECT_EQ(N(CompletedStatus(1, 10, u"/a/very/long/folder/name/that/goes/on/and/on/x.conf.vkb")),
              "Backup completed: 1 file, 10 bytes, in .../x.conf.vkb");
}

TEST(ArchiveName, TheDefaultNameCarriesTheDate) {
    vk::fs::LocalTime t{};
    t.year = 2024;
    t.month = 1;
    t.day = 31;
    EXPECT_EQ(N(DefaultArchiveName(u"/opt/talvern/backup/", t)), "/opt/talvern/backup/tal7cfg240131.conf.vkb");
    t.year = 2005;
    t.month = 12;
    t.day = 5;
    EXPECT_EQ(N(DefaultArchiveName(u"", t)), "tal7cfg051205.conf.vkb");
}
