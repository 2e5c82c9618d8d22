// GUI smoke tests of the program on the Qt renderer (offscreen), over the
// demo installation: the renderer is loaded the way the program loads it, and
// the user's clicks and keys reach the program through Qt's widgets.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTextBrowser>
#include <QtTest/QTest>

#include <cstdlib>
#include <set>

#include "app/resources/app_dialogs.h"
#include "app/shell/app_state.h"
#include "app/shell/display.h"
#include "app/shell/restore_page.h"
#include "app/tree/tree_items.h"
#include "platform/ui/qt/qt_backend.h"
#include "platform/ui/treeview.h"
#include "tests/app/shell/shell_fixture.h"
#include "tests/support/test_support.h"

using namespace vk::app;
using namespace vk::test;
namespace ui = vk::ui;

namespace {

// Without a display of its own the test renders offscreen.
[[maybe_unused]] const bool kOffscreen = [] {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return true;
}();

void Spin(int ms) {
    QElapsedTimer clock;
    clock.start();
    do {
        ui::PumpMessages();
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (clock.elapsed() < ms);
}

template <typename T> T *Widget(VKHWND dialog, int32_t id) {
    return dynamic_cast<T *>(ui::qt::WidgetOf(ui::GetDlgItem(dialog, id)));
}

class GuiTest : public ShellTest {
protected:
    static void TearDownTestSuite() {
        ui::ResetUiState();
        ShutdownDisplayBackend();
    }
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(InstallDisplayBackend());
        ASSERT_STREQ(ui::CurrentBackend().Name(), "qt");
        ASSERT_EQ(Start(""), StartUpResult::Ready);
        Spin(20);
    }
    VKHWND Page() const { return State().backupPage; }
    VKHWND Tree() const { return ui::GetDlgItem(Page(), kFileTree); }
    void Click(VKHWND dialog, int32_t id) {
        QPushButton *b = Widget<QPushButton>(dialog, id);
        ASSERT_NE(b, nullptr) << id;
        QTest::mouseClick(b, Qt::LeftButton);
        Spin(20);
    }
    // A click on an item's check box in the rendered tree.
    void ClickCheckBox(VKTreeItem *item) {
        ui::TreeEnsureVisible(Tree(), item);
        Spin(20);
        ui::Rect row;
        ASSERT_TRUE(ui::TreeGetItemRect(Tree(), item, false, row));
        const int x = (ui::TreeItemDepth(Tree(), item) + 1) * ui::kTreeIndent + ui::kTreeStateWidth / 2;
        QTest::mouseClick(ui::qt::WidgetOf(Tree()), Qt::LeftButton, {}, QPoint(x, row.y + ui::kTreeRowHeight / 2));
        Spin(20);
    }
    std::string Status() const {
        QLabel *l = Widget<QLabel>(State().mainDialog, kStatusLine);
        return l ? l->text().toStdString() : std::string("(no label)");
    }
};

TEST_F(GuiTest, TheWindowOpensWithItsPageAndTab) {
    QWidget *main = ui::qt::WidgetOf(State().mainWindow);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(main->isWindow());
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(main->windowTitle().toStdString(), "Talvern Backup from Version 7");
    QTabBar *tabs = main->findChild<QTabBar *>();
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0).toStdString(), "&Backup");
    EXPECT_EQ(tabs->tabText(1).toStdString(), "&Restore");
    EXPECT_FALSE(ui::qt::WidgetOf(State().restorePage)->isVisible());
    EXPECT_TRUE(ui::qt::WidgetOf(Page())->isVisible());
    QLineEdit *archive = Widget<QLineEdit>(Page(), kArchiveEdit);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(archive->text().toStdString(), N(ui::GetDlgItemText(Page(), kArchiveEdit)));
    EXPECT_TRUE(archive->text().endsWith(".conf.vkb"));
    EXPECT_EQ(Widget<QPushButton>(Page(), kAdvancedButton)->text().toStdString(), "Advanced >>");
    EXPECT_FALSE(ui::qt::WidgetOf(Tree())->isVisible());
    EXPECT_EQ(Status(), "For help, press <F1>");
    EXPECT_EQ(Widget<QPushButton>(State().mainDialog, kBeginButton)->text().toStdString(), "Begin");
}

TEST_F(GuiTest, AdvancedShowsTheTreeAndACheckBoxClickSpreads) {
    Click(Page(), kAdvancedButton);
    EXPECT_TRUE(ui::qt::WidgetOf(Tree())->isVisible());
    EXPECT_EQ(Widget<QPushButton>(Page(), kAdvancedButton)->text().toStdString(), "Advanced <<");

    VKTreeItem *config = SelectItemByPath(Tree(), U(DemoRoot() + "config"));
    ASSERT_NE(config, nullptr);
    ASSERT_EQ(GetCheck(Tree(), config), kPartlyChecked);
    ClickCheckBox(config);
    EXPECT_EQ(GetCheck(Tree(), config), kUnchecked);
    for (VKTreeItem *c = ui::TreeGetNext(Tree(), config, ui::TreeNext::Child); c;
         c = ui::TreeGetNext(Tree(), c, ui::TreeNext::Next))
        EXPECT_EQ(GetCheck(Tree(), c), kUnchecked) << N(c->text);
    ClickCheckBox(config);
    EXPECT_EQ(GetCheck(Tree(), config), kChecked);
    for (VKTreeItem *c = ui::TreeGetNext(Tree(), config, ui::TreeNext::Child); c;
         c = ui::TreeGetNext(Tree(), c, ui::TreeNext::Next))
        EXPECT_EQ(GetCheck(Tree(), c), kChecked) << N(c->text);
    // The installation folder is a top-level item; the label counts the
    // chosen files as they change.
    EXPECT_EQ(ui::TreeItemDepth(Tree(), config), 0);
    EXPECT_NE(Widget<QLabel>(Page(), kSelectLabel)->text().indexOf(" files, "), -1);
}

TEST_F(GuiTest, BeginRunsABackupAndTheStatusLineSaysSo) {
    TempFolder tmp;
    QLineEdit *archive = Widget<QLineEdit>(Page(), kArchiveEdit);
    ASSERT_NE(archive, nullptr);
    archive->selectAll();
    QTest::keyClicks(archive, QString::fromStdString(tmp.file("typed")));
    Spin(20);
    EXPECT_EQ(N(ui::GetDlgItemText(Page(), kArchiveEdit)), tmp.file("typed"));

    Click(State().mainDialog, kBeginButton);
    EXPECT_EQ(Status().rfind("Backup completed: ", 0), 0u) << Status();
    EXPECT_NE(Status().find("typed.conf.vkb"), std::string::npos) << Status();
    EXPECT_EQ(archive->text().toStdString(), tmp.file("typed.conf.vkb"));
    ASSERT_TRUE(FileExists(tmp.file("typed.conf.vkb")));
    EXPECT_NE(ReadFile(tmp.file("typed.conf.vkb")).find("4001/units.ini"), std::string::npos);
    EXPECT_TRUE(Widget<QPushButton>(State().mainDialog, kBeginButton)->isEnabled());
}

// Tab runs through every control that takes input, in the advanced view
// with all of them shown, and comes back round.
TEST_F(GuiTest, TabRunsThroughEveryControl) {
    Click(Page(), kAdvancedButton);
    QTabBar *tabs = ui::qt::WidgetOf(State().mainWindow)->findChild<QTabBar *>();
    ASSERT_NE(tabs, nullptr);
    tabs->setFocus(Qt::TabFocusReason);
    Spin(20);
    std::vector<QWidget *> order;
    for (int k = 0; k < 20; ++k) {
        QWidget *focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        if (!order.empty() && focus == order.front()) break;
        order.push_back(focus);
        QTest::keyClick(focus, Qt::Key_Tab);
        Spin(5);
    }
    const std::set<QWidget *> visited(order.begin(), order.end());
    const struct {
        VKHWND dialog;
        int32_t id;
    } wanted[] = {{Page(), kArchiveEdit},      {Page(), kCommentEdit},          {Page(), kBrowseButton},
                  {Page(), kAdvancedButton},
                  {Page(), kFileTree},         {Page(), kDefaultsButton},       {Page(), kClearButton},
                  {State().mainDialog, kBeginButton}, {State().mainDialog, kCloseButton}};
    EXPECT_TRUE(visited.count(tabs));
    for (const auto &w : wanted)
        EXPECT_TRUE(visited.count(ui::qt::WidgetOf(ui::GetDlgItem(w.dialog, w.id)))) << w.id;
    EXPECT_EQ(visited.size(), order.size()); // each once
}

// Alt+B, the tab's mnemonic, selects the tab and gives it the focus.
TEST_F(GuiTest, AltBSelectsTheBackupTab) {
    QLineEdit *archive = Widget<QLineEdit>(Page(), kArchiveEdit);
    archive->setFocus(Qt::OtherFocusReason);
    Spin(20);
    ASSERT_EQ(QApplication::focusWidget(), archive);
    QTest::keyClick(archive, Qt::Key_B, Qt::AltModifier);
    Spin(20);
    QTabBar *tabs = ui::qt::WidgetOf(State().mainWindow)->findChild<QTabBar *>();
    EXPECT_EQ(QApplication::focusWidget(), tabs);
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(archive->text().toStdString(), N(ui::GetDlgItemText(Page(), kArchiveEdit))); // no 'b' typed
}

// Space on the focused tree item toggles its check box as a click does.
TEST_F(GuiTest, SpaceTogglesTheFocusedItemInTheTree) {
    Click(Page(), kAdvancedButton);
    VKTreeItem *config = SelectItemByPath(Tree(), U(DemoRoot() + "config"));
    ASSERT_NE(config, nullptr);
    ASSERT_TRUE(ui::TreeSelectItem(Tree(), config));
    QWidget *tree = ui::qt::WidgetOf(Tree());
    tree->setFocus(Qt::OtherFocusReason);
    Spin(20);
    ASSERT_EQ(GetCheck(Tree(), config), kPartlyChecked);
    QTest::keyClick(tree, Qt::Key_Space);
    Spin(20);
    EXPECT_EQ(GetCheck(Tree(), config), kUnchecked);
    QTest::keyClick(tree, Qt::Key_Space);
    Spin(20);
    EXPECT_EQ(GetCheck(Tree(), config), kChecked);
    for (VKTreeItem *c = ui::TreeGetNext(Tree(), config, ui::TreeNext::Child); c;
         c = ui::TreeGetNext(Tree(), c, ui::TreeNext::Next))
        EXPECT_EQ(GetCheck(Tree(), c), kChecked) << N(c->text);
}

// Without a browser F1 opens the manual in the program's own text window.
TEST_F(GuiTest, HelpFallsBackToTheProgramsOwnWindow) {
    const ui::UrlLauncher previous = ui::GetUrlLauncher();
    ui::SetUrlLauncher([](const std::string &) { return false; });
    QLineEdit *archive = Widget<QLineEdit>(Page(), kArchiveEdit);
    archive->setFocus(Qt::OtherFocusReason);
    Spin(20);
    QTest::keyClick(archive, Qt::Key_F1);
    Spin(50);
    ui::SetUrlLauncher(previous);
    QTextBrowser *shown = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->windowTitle() == "Help") shown = top->findChild<QTextBrowser *>();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    // Rendered, not shown as markup.
    EXPECT_NE(shown->toPlainText().indexOf("Backup"), -1);
    EXPECT_EQ(shown->toPlainText().indexOf("<html"), -1);
}

// Without a viewer for text files the results report opens in the program's
// own text window.
TEST_F(GuiTest, TheReportFallsBackToTheProgramsOwnWindow) {
    // No desktop: no viewer can be started.
    const std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    TempFolder tmp;
    BackupJob *job = VKBackupInit(State().mainWindow, VKF_REPORT | VKF_OVERWRITE, 0, U(tmp.file("r.conf.vkb")).c_str(),
                                  u".conf.vkb", nullptr, nullptr, u"");
    ASSERT_NE(job, nullptr);
    VKBackup(job, VK_ITEM_FILE, 0, 0, nullptr, nullptr, U(DemoRoot() + "config/units.ini").c_str());
    VKBackupClose(job);
    Spin(50);
    if (!display.empty()) ::setenv("DISPLAY", display.c_str(), 1);
    QPlainTextEdit *shown = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->windowTitle().endsWith(".txt")) shown = top->findChild<QPlainTextEdit *>();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->toPlainText().startsWith("Backup Results")) << shown->toPlainText().left(80).toStdString();
    EXPECT_NE(shown->toPlainText().indexOf("units.ini"), -1);
}

// Pictures of the main window in its normal and advanced views, and after a
// backup to the proposed archive. They go to $VK_SCREENSHOT_DIR when it is set
// (scripts/screenshots.sh), else to a temporary folder; either way they must
// be real, non-blank pictures.
TEST_F(GuiTest, ScreenshotsOfTheNormalAndAdvancedViews) {
    TempFolder tmp;
    const char *dir = std::getenv("VK_SCREENSHOT_DIR");
    const bool keep = dir && *dir;
    const std::string folder = keep ? std::string(dir) + "/" : tmp.path();
    const std::string normal = folder + "vaultkeep-backup-page.png";
    const std::string advanced = folder + "vaultkeep-advanced.png";
    const std::string completed = folder + "vaultkeep-completed.png";
    ASSERT_EQ(vkui_qt_save_screenshot(State().mainWindow, normal.c_str()), 1);
    Click(Page(), kAdvancedButton);
    ASSERT_EQ(vkui_qt_save_screenshot(State().mainWindow, advanced.c_str()), 1);
    // Into the proposed archive only on a demo copy kept for pictures;
    // otherwise into the temporary folder.
    if (!keep) {
        QLineEdit *archive = Widget<QLineEdit>(Page(), kArchiveEdit);
        archive->selectAll();
        QTest::keyClicks(archive, QString::fromStdString(tmp.file("pictured")));
        Spin(20);
    }
    Click(State().mainDialog, kBeginButton);
    ASSERT_EQ(Status().rfind("Backup completed: ", 0), 0u) << Status();
    ASSERT_EQ(vkui_qt_save_screenshot(State().mainWindow, completed.c_str()), 1);
    for (const std::string &png : {normal, advanced, completed}) {
        const std::string bytes = ReadFile(png);
        ASSERT_GT(bytes.size(), 2000u) << png;
        EXPECT_EQ(bytes.substr(1, 3), "PNG") << png;
    }
    EXPECT_NE(ReadFile(normal), ReadFile(advanced));
}

// The Restore page: a click on its tab shows it; an archive's summary and
// tree, then Begin and the end status. Pictures of both go where the other
// screenshots go.
TEST_F(GuiTest, ScreenshotsOfTheRestorePage) {
    TempFolder tmp;
    const char *dir = std::getenv("VK_SCREENSHOT_DIR");
    const std::string folder = dir && *dir ? std::string(dir) + "/" : tmp.path();
    const std::string archive = tmp.file("screens.conf.vkb");
    const std::string perf = DemoRoot() + "format/perf.prs";
    const std::string savedPerf = ReadFile(perf);
    BackupJob *job = VKBackupInit(nullptr, VKF_OVERWRITE, 0, U(archive).c_str(), u".conf.vkb", nullptr, nullptr,
                                  u"-Comment 'Before the field trip'");
    ASSERT_NE(job, nullptr);
    for (const char *f : {"config/units.ini", "config/hotkeys.ini", "format/calib.prs", "format/perf.prs",
                          "config/WProperties.ini"})
        VKBackup(job, VK_ITEM_FILE, 0, 0, nullptr, nullptr, U(DemoRoot() + f).c_str());
    ASSERT_NE(VKBackupClose(job), 0);
    WriteFile(perf, "; changed on site\n" + savedPerf); // newer than the archived copy

    QTabBar *tabs = ui::qt::WidgetOf(State().mainWindow)->findChild<QTabBar *>();
    ASSERT_NE(tabs, nullptr);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    Spin(20);
    VKHWND page = State().restorePage;
    EXPECT_TRUE(ui::qt::WidgetOf(page)->isVisible());
    EXPECT_FALSE(ui::qt::WidgetOf(Page())->isVisible());
    ASSERT_TRUE(ChooseRestoreArchive(page, U(archive)));
    Spin(20);
    QLabel *summary = Widget<QLabel>(page, kRestoreSummary);
    ASSERT_NE(summary, nullptr);
    EXPECT_TRUE(summary->text().contains("Comment: Before the field trip"));
    const std::string contents = folder + "vaultkeep-restore-page.png";
    ASSERT_EQ(vkui_qt_save_screenshot(State().mainWindow, contents.c_str()), 1);

    // The library's question before a restore of this system's archives is
    // answered Yes, as a user would.
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
                if (QAbstractButton *yes = box->button(QMessageBox::Yes)) yes->click();
    });
    answerer.start(10);
    Click(State().mainDialog, kBeginButton);
    answerer.stop();
    EXPECT_EQ(Status().rfind("Restore completed: ", 0), 0u) << Status();
    EXPECT_NE(Status().find("undo archive"), std::string::npos) << Status();
    const std::string done = folder + "vaultkeep-restore-done.png";
    ASSERT_EQ(vkui_qt_save_screenshot(State().mainWindow, done.c_str()), 1);
    WriteFile(perf, savedPerf);
    for (const std::string &png : {contents, done}) {
        const std::string bytes = ReadFile(png);
        ASSERT_GT(bytes.size(), 2000u) << png;
        EXPECT_EQ(bytes.substr(1, 3), "PNG") << png;
    }
}

} // namespace
