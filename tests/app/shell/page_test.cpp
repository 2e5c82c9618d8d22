// The main window, the main dialog and the backup page on the headless
// backend, over the demo installation: texts, the advanced view, the default
// choice, check-box clicks, Browse, help and keys, and Begin with the engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "app/resources/app_dialogs.h"
#include "app/shell/app_state.h"
#include "app/shell/backup_page.h"
#include "app/shell/main_window.h"
#include "app/shell/run_steps.h"
#include "app/tree/tree_items.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/ui/treeview.h"
#include "tests/app/shell/probe.h"
#include "tests/app/shell/shell_fixture.h"
#include "tests/support/test_support.h"

using namespace vk::app;
using namespace vk::test;
namespace ui = vk::ui;

namespace {

// The demo's default choice: the configuration files of bin, config and
// format (sim and script are not in the tree). SITEKEY has no full stop and
// calib.bin is listed after a gap in ConfigAddFiles: neither is taken.
const std::set<std::string> kDefaultChoice = {
    "bin/display.ini",
    "config/Depth.WWC",       "config/WProperties.ini", "config/encoder.bak",    "config/hotkeys.ini",
    "config/license.key",     "config/lithology.cmp",   "config/neu_table.tbl",  "config/panel.tcf",
    "config/services.ini",    "config/site.tcf",        "config/standard.lst",   "config/survey.lst",
    "config/talvern.ini",     "config/tools.ini",       "config/units.ini",      "config/vars.ini",
    "format/calib.prs",       "format/cased.prs",       "format/cased_hdr.bhf",  "format/crossplot.xpt",
    "format/gr2.wtd",         "format/grcal.wcp",       "format/heading.hdr",    "format/las20.fmt",
    "format/log.plt",         "format/neu_char.tbl",    "format/neu_env.crv",    "format/neucal.wcp",
    "format/openhole.hdr",    "format/openhole.lyt",    "format/openhole.prs",   "format/openhole_hdr.bhf",
    "format/perf.prs",        "format/pg3375.wtd",      "format/stdcal.wcp",
};

class PageTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_EQ(Start(""), StartUpResult::Ready);
    }
    VKHWND Page() const { return State().backupPage; }
    VKHWND Main() const { return State().mainDialog; }
    VKHWND Tree() const { return ui::GetDlgItem(Page(), kFileTree); }
    std::string PageText(int32_t id) const { return N(ui::GetDlgItemText(Page(), id)); }
    std::string Status() const { return N(ui::GetDlgItemText(State().hostDialog, kStatusLine)); }

    // The checked files, relative to the demo installation.
    std::set<std::string> Checked() const {
        std::set<std::string> files;
        for (const std::u16string &f : CheckedFiles(Tree())) {
            std::string path = N(f);
            if (path.rfind(DemoRoot(), 0) == 0) path.erase(0, DemoRoot().size());
            files.insert(path);
        }
        return files;
    }

    VKTreeItem *Item(const std::string &relative) const { return SelectItemByPath(Tree(), U(DemoRoot() + relative)); }

    // A click on an item's check box, as the mouse would.
    void ClickCheckBox(VKTreeItem *item) {
        ui::TreeEnsureVisible(Tree(), item);
        ui::Rect row;
        ASSERT_TRUE(ui::TreeGetItemRect(Tree(), item, false, row));
        const int depth = ui::TreeItemDepth(Tree(), item);
        ui::TreeClick(Tree(), (depth + 1) * ui::kTreeIndent + ui::kTreeStateWidth / 2, row.y + ui::kTreeRowHeight / 2);
    }

    bool AdvancedShown() const {
        for (int32_t id : {kFileTree, kSelectLabel, kDefaultsButton, kClearButton})
            if (ui::IsVisible(ui::GetDlgItem(Page(), id)) != PageState().advanced) ADD_FAILURE() << "control " << id;
        return PageState().advanced;
    }
};

std::string Today() {
    const vk::fs::LocalTime t = vk::fs::NowLocal();
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d%02d%02d", t.year % 100, t.month, t.day);
    return buf;
}

} // namespace

TEST_F(PageTest, TheWindowOpensWithItsTabPageAndTexts) {
    AppState &s = State();
    EXPECT_TRUE(ui::IsVisible(s.mainWindow));
    EXPECT_EQ(N(ui::GetWindowText(s.mainWindow)), "Talvern Backup from Version 7");
    EXPECT_EQ(s.hostDialog, s.mainDialog);
    EXPECT_EQ(s.currentPage, s.backupPage);
    EXPECT_TRUE(ui::IsVisible(Page()));
    EXPECT_EQ(s.stopFlag, 1);

    // Main dialog: the Backup and Restore tabs, status line, bar, Begin and
    // Close. The restore page waits hidden.
    ASSERT_EQ(ui::TabGetItemCount(s.tab), 2);
    EXPECT_EQ(N(ui::TabGetItemText(s.tab, 0)), "&Backup");
    EXPECT_EQ(N(ui::TabGetItemText(s.tab, 1)), "&Restore");
    EXPECT_FALSE(ui::IsVisible(s.restorePage));
    const int caption = ui::SystemMetric(ui::Metric::CaptionHeight);
    EXPECT_EQ(ui::TabGetItemSize(s.tab).w, (ui::GetWindowRect(s.tab).w - caption) / 3);
    EXPECT_EQ(ui::TabGetItemSize(s.tab).h, caption);
    EXPECT_EQ(Status(), "For help, press <F1>");
    EXPECT_EQ(N(ui::GetDlgItemText(Main(), kBeginButton)), "Begin");
    EXPECT_EQ(N(ui::GetDlgItemText(Main(), kCloseButton)), "Close");
    EXPECT_EQ(ui::ProgressGetPos(s.progressBar), 0);

    // The main window fits around the dialog at 0, 0.
    const ui::Rect d = ui::GetWindowRect(Main()), w = ui::GetWindowRect(s.mainWindow);
    EXPECT_EQ(w.x, 0);
    EXPECT_EQ(w.y, 0);
    EXPECT_EQ(w.w, d.w + 2 * ui::SystemMetric(ui::Metric::BorderWidth));
    EXPECT_EQ(w.h, d.h + 5 * ui::SystemMetric(ui::Metric::BorderHeight) + caption);

    // The page.
    EXPECT_EQ(PageText(kOptionsGroup), "Options");
    EXPECT_EQ(PageText(kBackUpToLabel), "Back up to");
    EXPECT_EQ(PageText(kBrowseButton), "Browse");
    EXPECT_EQ(PageText(kCommentLabel), "Comment");
    EXPECT_EQ(PageText(kAdvancedButton), "Advanced >>");
    // The label counts the files of the default choice.
    EXPECT_EQ(PageText(kSelectLabel).rfind("Select files to back up (" + std::to_string(kDefaultChoice.size()) +
                                               " files, ",
                                           0),
              0u)
        << PageText(kSelectLabel);
    EXPECT_EQ(PageText(kDefaultsButton), "Configuration Backup Defaults");
    EXPECT_EQ(PageText(kClearButton), "Clear Selections");
    EXPECT_EQ(PageText(kCommentEdit), "Talvern 7 Backup");
    EXPECT_TRUE(ui::IsEnabled(ui::GetDlgItem(Page(), kCommentEdit)));
    EXPECT_EQ(PageText(kArchiveEdit), DemoRoot() + "backup/tal7cfg" + Today() + ".conf.vkb");
    EXPECT_FALSE(AdvancedShown());

    // Paths of the state record.
    // The program's folder as the system names it (on Windows with its drive).
    EXPECT_EQ(vk::fs::ResolvePath(s.settingsPath), vk::fs::ResolvePath(U(DemoRoot() + "bin/vaultkeep.ini")));
    EXPECT_EQ(N(s.hostPropertiesPath), DemoRoot() + "config/WProperties.ini");
    EXPECT_NE(N(s.helpPath).find("vaultkeep.html"), std::string::npos);
}

TEST_F(PageTest, AdvancedShowsTheTreeAndBrowseHidesIt) {
    ASSERT_TRUE(ui::ClickButton(Page(), kAdvancedButton));
    EXPECT_TRUE(AdvancedShown());
    EXPECT_EQ(PageText(kAdvancedButton), "Advanced <<");
    EXPECT_GT(ui::TreeGetCount(Tree()), 50u);
    ASSERT_TRUE(ui::ClickButton(Page(), kAdvancedButton));
    EXPECT_FALSE(AdvancedShown());
    EXPECT_EQ(PageText(kAdvancedButton), "Advanced >>");

    // Browse: the advanced view goes; a chosen file lands in the field, a
    // cancelled dialog leaves it.
    ui::ClickButton(Page(), kAdvancedButton);
    ui::QueueAnswers(u"file:/tmp/chosen.conf.vkb");
    ASSERT_TRUE(ui::ClickButton(Page(), kBrowseButton));
    EXPECT_FALSE(AdvancedShown());
    EXPECT_EQ(PageText(kArchiveEdit), "/tmp/chosen.conf.vkb");
    ASSERT_FALSE(ui::ShownLog().empty());
    const ui::Shown &dialog = ui::ShownLog().back();
    EXPECT_EQ(dialog.what, ui::Shown::What::File);
    EXPECT_EQ(N(dialog.caption), "Select Zip File Name");
    EXPECT_EQ(dialog.flags, 0u); // an Open dialog

    ui::QueueAnswers(u"file:");
    ui::ClickButton(Page(), kBrowseButton);
    EXPECT_EQ(PageText(kArchiveEdit), "/tmp/chosen.conf.vkb");
}

TEST_F(PageTest, TheDefaultChoiceTakesTheConfigurationFiles) {
    EXPECT_EQ(Checked(), kDefaultChoice);
    // Folders above the chosen files are partly checked.
    EXPECT_EQ(GetCheck(Tree(), Item("config")), kPartlyChecked);
    // Clear Selections empties the choice; Defaults brings it back.
    ASSERT_TRUE(ui::ClickButton(Page(), kAdvancedButton));
    ASSERT_TRUE(ui::ClickButton(Page(), kClearButton));
    EXPECT_TRUE(Checked().empty());
    ASSERT_TRUE(ui::ClickButton(Page(), kDefaultsButton));
    EXPECT_EQ(Checked(), kDefaultChoice);
}

// The tree starts at the installation: one item per installation folder,
// labelled with the folder's path; the folders that hold chosen files are
// open and the view starts at the top.
TEST_F(PageTest, TheTreeIsRootedAtTheInstallationFolders) {
    std::vector<std::string> roots;
    std::vector<bool> open;
    for (VKTreeItem *item = ui::TreeGetNext(Tree(), nullptr, ui::TreeNext::Root); item;
         item = ui::TreeGetNext(Tree(), item, ui::TreeNext::Next)) {
        roots.push_back(N(item->text));
        open.push_back(item->expanded);
    }
    EXPECT_EQ(roots, (std::vector<std::string>{DemoRoot() + "bin", DemoRoot() + "data", DemoRoot() + "config",
                                               DemoRoot() + "format"}));
    EXPECT_EQ(open, (std::vector<bool>{true, false, true, true})); // nothing is chosen in data
    EXPECT_EQ(N(ui::TreeGetNext(Tree(), nullptr, ui::TreeNext::FirstVisible)->text), DemoRoot() + "bin");
    for (const char *folder : {"bin", "config", "format"}) {
        VKTreeItem *item = Item(folder);
        ASSERT_TRUE(item) << folder;
        EXPECT_EQ(ui::TreeItemDepth(Tree(), item), 0) << folder;
    }
    // Paths read back whole, and files below subfolders of data too.
    VKTreeItem *units = Item("config/units.ini");
    ASSERT_TRUE(units);
    EXPECT_EQ(N(ItemFilePath(Tree(), units)), DemoRoot() + "config/units.ini");
    EXPECT_EQ(ui::TreeItemDepth(Tree(), units), 1);
}

TEST_F(PageTest, ACheckBoxClickSpreadsToTheItemsBelow) {
    ui::ClickButton(Page(), kAdvancedButton);
    VKTreeItem *config = Item("config");
    ASSERT_TRUE(config);
    ASSERT_EQ(GetCheck(Tree(), config), kPartlyChecked);
    const std::string before = PageText(kSelectLabel);

    // Partly checked becomes unchecked, with everything below it.
    ClickCheckBox(config);
    EXPECT_EQ(GetCheck(Tree(), config), kUnchecked);
    for (const std::string &f : Checked()) EXPECT_NE(f.rfind("config/", 0), 0u) << f;
    EXPECT_NE(PageText(kSelectLabel), before); // the count follows

    // Unchecked becomes checked, with everything below it.
    ClickCheckBox(config);
    EXPECT_EQ(GetCheck(Tree(), config), kChecked);
    const std::set<std::string> after = Checked();
    EXPECT_TRUE(after.count("config/acquire.log"));
    EXPECT_TRUE(after.count("config/SITEKEY"));
    EXPECT_TRUE(after.count("bin/display.ini")); // other folders unchanged
    EXPECT_FALSE(after.count("bin/talvern.exe"));
    EXPECT_EQ(PageText(kSelectLabel).find("(" + std::to_string(after.size()) + " files, "),
              std::string("Select files to back up ").size())
        << PageText(kSelectLabel);
}

// Space on the focused item acts as a click on its check box, with the same
// three-state rules.
TEST_F(PageTest, SpaceTogglesTheFocusedItemsCheckBox) {
    ui::ClickButton(Page(), kAdvancedButton);
    VKTreeItem *config = Item("config");
    ASSERT_TRUE(ui::TreeSelectItem(Tree(), config));
    ASSERT_EQ(GetCheck(Tree(), config), kPartlyChecked);
    ui::DeliverInput(Tree(), ui::kMsgKeyDown, ui::kKeySpace, 0);
    EXPECT_EQ(GetCheck(Tree(), config), kUnchecked);
    ui::DeliverInput(Tree(), ui::kMsgKeyDown, ui::kKeySpace, 0);
    EXPECT_EQ(GetCheck(Tree(), config), kChecked);
    EXPECT_EQ(GetCheck(Tree(), Item("config/SITEKEY")), kChecked);
    // A leaf: its folder becomes partly checked.
    VKTreeItem *units = Item("config/units.ini");
    ASSERT_TRUE(ui::TreeSelectItem(Tree(), units));
    ui::DeliverInput(Tree(), ui::kMsgKeyDown, ui::kKeySpace, 0);
    EXPECT_EQ(GetCheck(Tree(), units), kUnchecked);
    EXPECT_EQ(GetCheck(Tree(), config), kPartlyChecked);
    EXPECT_FALSE(Checked().count("config/units.ini"));
}

TEST_F(PageTest, BeginWritesTheArchiveAndRecordsItsName) {
    TempFolder tmp;
    ASSERT_TRUE(ui::EnterText(Page(), kArchiveEdit, U(tmp.file("first"))));
    ASSERT_TRUE(ui::ClickButton(Main(), kBeginButton));

    const std::string archive = tmp.file("first.conf.vkb");
    // The outcome names the count, the size and the archive.
    const std::string shown = archive.size() <= 48 ? archive : ".../first.conf.vkb";
    const std::string status = Status();
    EXPECT_EQ(status.rfind("Backup completed: " + std::to_string(kDefaultChoice.size()) + " files, ", 0), 0u)
        << status;
    EXPECT_EQ(status.substr(status.size() - shown.size() - 5), ", in " + shown) << status;
    EXPECT_EQ(PageText(kArchiveEdit), archive);
    ASSERT_TRUE(FileExists(archive));
    const std::string zip = ReadFile(archive);
    for (const char *entry : {"Backup.why", "4001/units.ini", "5000/openhole.prs", "4003/lithology.cmp"})
        EXPECT_NE(zip.find(entry), std::string::npos) << entry;
    EXPECT_EQ(zip.find("talvern.exe"), std::string::npos);
    EXPECT_EQ(N(vk::ini::ReadString(u"Backup", u"ConfigTo", u"", State().hostPropertiesPath)), archive);

    // Idle again.
    EXPECT_EQ(State().stopFlag, 1);
    EXPECT_TRUE(ui::IsEnabled(State().beginButton));
    EXPECT_EQ(ui::WaitCursorDepth(), 0);
    EXPECT_EQ(ui::ProgressGetPos(State().progressBar), 100); // full at the end
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(PageTest, WithNothingCheckedBeginAsksFirst) {
    TempFolder tmp;
    ui::ClickButton(Page(), kAdvancedButton);
    ui::ClickButton(Page(), kClearButton);
    EXPECT_EQ(PageText(kSelectLabel), "Select files to back up (0 files, 0 bytes)");
    ui::EnterText(Page(), kArchiveEdit, U(tmp.file("empty.CONF.VKB")));
    // No (the default): nothing is written.
    ui::ClickButton(Main(), kBeginButton);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].rfind("Nothing is selected", 0), 0u) << Boxes()[0];
    EXPECT_EQ(ui::ShownLog().back().flags & ui::kMbYesNo, ui::kMbYesNo);
    EXPECT_FALSE(FileExists(tmp.file("empty.CONF.VKB")));
    EXPECT_EQ(Status(), "For help, press <F1>");
    // Yes: an archive with Backup.why only.
    ui::QueueAnswers(u"box(Nothing is selected):Yes");
    ui::ClickButton(Main(), kBeginButton);
    EXPECT_EQ(Status().rfind("Backup completed: 0 files, 0 bytes, in ", 0), 0u) << Status();
    EXPECT_EQ(PageText(kArchiveEdit), tmp.file("empty.CONF.VKB"));
    EXPECT_NE(ReadFile(tmp.file("empty.CONF.VKB")).find("Backup.why"), std::string::npos);
}

// The target folder is checked before anything is written: one box with the
// system's reason, and the status line says it too.
TEST_F(PageTest, AnUnusableTargetFolderIsToldBeforeTheRun) {
    TempFolder tmp;
    WriteFile(tmp.file("plain"), "x");
    const struct {
        std::string archive;
        std::string reason;
    } cases[] = {
        {tmp.file("missing/sub/a.conf.vkb"), "The system cannot find the path specified."},
        {tmp.file("plain/a.conf.vkb"), "The system cannot find the path specified."},
        {"/proc/a.conf.vkb", ""}, // not writable, whoever runs the test
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.archive);
        ui::ClearShownLog();
        ui::EnterText(Page(), kArchiveEdit, U(c.archive));
        ui::ClickButton(Main(), kBeginButton);
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Boxes()[0].rfind("Cannot write the archive " + c.archive, 0), 0u) << Boxes()[0];
        EXPECT_NE(Boxes()[0].find(c.reason), std::string::npos) << Boxes()[0];
        EXPECT_EQ(N(ui::ShownLog().back().caption), "Cannot zip");
        EXPECT_EQ(Status().rfind("Backup failed: no archive was written (", 0), 0u) << Status();
        EXPECT_NE(Status().find(c.reason), std::string::npos) << Status();
        EXPECT_FALSE(FileExists(c.archive));
        EXPECT_EQ(State().stopFlag, 1);
        EXPECT_TRUE(ui::IsEnabled(State().beginButton));
    }
}

// A folder named as the target gets the page's default file name in it,
// never a hidden ".conf.vkb".
TEST_F(PageTest, AFolderAsTargetGetsTheDefaultName) {
    TempFolder tmp;
    const std::string expected = tmp.file("tal7cfg" + Today() + ".conf.vkb");
    for (const std::string &given : {tmp.path(), tmp.path().substr(0, tmp.path().size() - 1)}) {
        SCOPED_TRACE(given);
        ui::EnterText(Page(), kArchiveEdit, U(given));
        ui::ClickButton(Main(), kBeginButton);
        EXPECT_EQ(PageText(kArchiveEdit), expected);
        EXPECT_TRUE(FileExists(expected));
        EXPECT_FALSE(FileExists(tmp.file(".conf.vkb")));
        vk::fs::DeleteFile(U(expected));
    }
}

// A new run clears the last run's outcome before it asks anything.
TEST_F(PageTest, ANewRunClearsTheLastOutcome) {
    TempFolder tmp;
    ui::EnterText(Page(), kArchiveEdit, U(tmp.file("one")));
    ui::ClickButton(Main(), kBeginButton);
    ASSERT_EQ(Status().rfind("Backup completed: ", 0), 0u);
    ui::ClickButton(Page(), kAdvancedButton);
    ui::ClickButton(Page(), kClearButton);
    ui::ClickButton(Main(), kBeginButton); // answered No: nothing selected
    EXPECT_EQ(Status(), "For help, press <F1>");
    EXPECT_EQ(ui::ProgressGetPos(State().progressBar), 0);
}

TEST_F(PageTest, AnEmptyArchiveFieldIsRefused) {
    const std::u16string before = vk::ini::ReadString(u"Backup", u"ConfigTo", u"", State().hostPropertiesPath);
    ui::EnterText(Page(), kArchiveEdit, u"");
    ui::ClickButton(Main(), kBeginButton);
    ASSERT_EQ(Boxes(), std::vector<std::string>{"Invalid file name to zip to"});
    EXPECT_EQ(N(ui::ShownLog().back().caption), "Cannot zip");
    EXPECT_EQ(Status(), "For help, press <F1>");
    EXPECT_EQ(vk::ini::ReadString(u"Backup", u"ConfigTo", u"", State().hostPropertiesPath), before);
}

TEST_F(PageTest, ClosingDuringARunAsksAndOnlyStopsTheRun) {
    TempFolder tmp;
    // No: the run goes on.
    ui::EnterText(Page(), kArchiveEdit, U(tmp.file("a")));
    RunProbe &probe = StartRunProbe(true);
    ui::QueueAnswers(u"box(Terminate):No");
    ui::ClickButton(Main(), kBeginButton);
    ASSERT_TRUE(probe.fired);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Terminate Process?"});
    EXPECT_EQ(N(ui::ShownLog().back().caption), "Process still running");
    EXPECT_EQ(Status().rfind("Backup completed: ", 0), 0u) << Status();
    EXPECT_TRUE(ui::IsWindow(State().mainWindow));

    // Yes: the run stops, the window stays until it is closed again.
    ui::ClearShownLog();
    ui::EnterText(Page(), kArchiveEdit, U(tmp.file("b")));
    StartRunProbe(true);
    ui::QueueAnswers(u"box(Terminate):Yes");
    ui::ClickButton(Main(), kBeginButton);
    EXPECT_EQ(Status(), "Backup canceled");
    EXPECT_TRUE(ui::IsWindow(State().mainWindow));
    EXPECT_EQ(State().keepOpen, 1);
    EXPECT_TRUE(ui::IsEnabled(State().beginButton));

    ui::ClickButton(Main(), kCloseButton);
    EXPECT_FALSE(ui::IsWindow(State().mainWindow));
    EXPECT_EQ(ui::RunMessageLoop(), 0);
}

TEST_F(PageTest, F1OpensTheBackupPageTopicAndAltLettersGoToTheMainWindow) {
    // F1 inside the page asks the main window for help, which opens the
    // manual at the page's topic (headless: written to standard error).
    testing::internal::CaptureStderr();
    ui::DeliverInput(ui::GetDlgItem(Page(), kArchiveEdit), ui::kMsgKeyDown, ui::kKeyF1, 0);
    ui::PumpMessages();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("vaultkeep.html#backup-page"), std::string::npos) << err;

    // Alt+letters: consumed by the filter, posted to the main window.
    struct Case {
        char letter;
        uint32_t posted; // 0: passed on
    };
    for (const Case c : {Case{'b', kMsgAltB}, Case{'R', kMsgAltR}, Case{'c', kMsgFocusTab0}, Case{'O', kMsgFocusTab1},
                         Case{'e', kMsgFocusTab2}, Case{'x', 0u}}) {
        EXPECT_EQ(HelpFilter(ui::GetDlgItem(Page(), kArchiveEdit), ui::kMsgSysChar, c.letter, 0), c.posted != 0)
            << c.letter;
    }
    // Outside dialogs nothing is taken.
    EXPECT_FALSE(HelpFilter(State().mainWindow, ui::kMsgSysChar, 'c', 0));
    ui::PumpMessages(); // what the calls above posted

    // Alt+E finds no tab; Alt+O gives the Restore tab the focus and shows
    // its page; Alt+C goes back to the Backup tab.
    ui::SetFocus(ui::GetDlgItem(Page(), kArchiveEdit));
    ui::DeliverInput(ui::GetDlgItem(Page(), kArchiveEdit), ui::kMsgSysChar, 'e', 0);
    ui::PumpMessages();
    EXPECT_EQ(ui::GetFocus(), ui::GetDlgItem(Page(), kArchiveEdit));
    ui::DeliverInput(ui::GetDlgItem(Page(), kArchiveEdit), ui::kMsgSysChar, 'o', 0);
    ui::PumpMessages();
    EXPECT_EQ(ui::GetFocus(), State().tab);
    EXPECT_EQ(ui::TabGetCurSel(State().tab), 1);
    EXPECT_EQ(State().currentPage, State().restorePage);
    EXPECT_TRUE(ui::IsVisible(State().restorePage));
    EXPECT_FALSE(ui::IsVisible(Page()));
    ui::DeliverInput(ui::GetDlgItem(Page(), kArchiveEdit), ui::kMsgSysChar, 'C', 0);
    ui::PumpMessages();
    EXPECT_EQ(ui::GetFocus(), State().tab);
    EXPECT_EQ(ui::TabGetCurSel(State().tab), 0);
    EXPECT_EQ(State().currentPage, Page());

    // Alt+B, the mnemonic of "&Backup", selects that tab and focuses it.
    ui::SetFocus(ui::GetDlgItem(Page(), kArchiveEdit));
    ui::DeliverInput(ui::GetDlgItem(Page(), kArchiveEdit), ui::kMsgSysChar, 'B', 0);
    ui::PumpMessages();
    EXPECT_EQ(ui::GetFocus(), State().tab);
    EXPECT_EQ(ui::TabGetCurSel(State().tab), 0);
}

TEST_F(PageTest, ClosingWhenIdleEndsTheProgram) {
    ui::SendMessage(State().mainWindow, ui::kMsgClose, 0, 0);
    EXPECT_FALSE(ui::IsWindow(State().mainWindow));
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(ui::RunMessageLoop(), 0);
}
