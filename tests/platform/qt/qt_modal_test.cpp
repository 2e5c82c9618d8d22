// Modal runs on the Qt backend: dialogs, message boxes and file dialogs are
// answered through their Qt widgets while the model's loop runs; the wait
// cursor; a screenshot; the display probe.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <optional>

#include "platform/ui/window.h"
#include "tests/platform/qt/qt_fixture.h"
#include "tests/support/test_support.h"

namespace vk::test {
namespace {

using namespace vk::ui;

class QtModalTest : public QtTest {};

VKHWND FindDialog(int32_t templateId) {
    for (VKHWND w : TopLevelWindows())
        if (GetTemplateId(w) == templateId) return w;
    return nullptr;
}

TEST_F(QtModalTest, ModalDialogEndsWhenItsButtonIsClicked) {
    struct Case {
        const char *how;
        std::function<void(VKHWND)> act;
        intptr_t result;
    } cases[] = {
        {"button", [](VKHWND d) { Control<QPushButton>(d, kSkip)->click(); }, kSkip},
        {"close box", [](VKHWND d) { qt::WidgetOf(d)->close(); }, kIdCancel},
        {"model timer", [](VKHWND d) { SetTimer(d, 7, 1); }, kIdOk},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.how);
        bool shown = false;
        QTimer::singleShot(30, [&] {
            VKHWND d = FindDialog(kOptionsDialog);
            ASSERT_NE(d, nullptr);
            shown = qt::WidgetOf(d) && qt::WidgetOf(d)->isVisible();
            c.act(d);
        });
        const intptr_t result = DialogBox(
            const_cast<VKModule *>(&TestModule()), kOptionsDialog, nullptr,
            [](VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t lparam) -> intptr_t {
                // The model's own timers run while the dialog is up.
                if (msg == kMsgTimer) return ClickButton(w, kIdOk);
                return RecordingProc(w, msg, wparam, lparam);
            },
            0);
        EXPECT_TRUE(shown);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(FindDialog(kOptionsDialog), nullptr);
    }
}

// A run inside a click handler (as Begin runs a backup) pumps messages: other
// clicks come through, and the dialog may go away under the button whose
// handler still runs.
TEST_F(QtModalTest, RunInsideAClickServesInputAndOutlivesItsDialog) {
    static bool stop;
    static int rounds;
    stop = false;
    rounds = 0;
    VKHWND d = CreateDialog(const_cast<VKModule *>(&TestModule()), kOptionsDialog, nullptr,
                            [](VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t) -> intptr_t {
                                if (msg != kMsgCommand) return 0;
                                if ((wparam & 0xFFFF) == kIdCancel) stop = true;
                                if ((wparam & 0xFFFF) != kIdOk) return 1;
                                for (; !stop && rounds < 3000; ++rounds) {
                                    PumpMessages();
                                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                                }
                                DestroyWindow(w);
                                return 1;
                            },
                            0);
    QTimer::singleShot(30, [d] { Control<QPushButton>(d, kIdCancel)->click(); });
    QPointer<QPushButton> ok = Control<QPushButton>(d, kIdOk);
    ok->click();
    EXPECT_TRUE(stop);
    EXPECT_LT(rounds, 3000);
    EXPECT_FALSE(IsWindow(d));
    Spin(0);
    EXPECT_TRUE(ok.isNull());
}

// Windows made before the backend came get their widgets when it comes.
TEST_F(QtModalTest, ShutdownAndInstallAgainAdoptsWindows) {
    qt::Shutdown();
    EXPECT_STREQ(CurrentBackend().Name(), "headless");
    VKHWND d = CreateDialog(const_cast<VKModule *>(&TestModule()), kOptionsDialog, nullptr, RecordingProc, 0);
    SetDlgItemText(d, kEdit, u"kept");
    ASSERT_TRUE(InstallQt());
    ASSERT_NE(qt::WidgetOf(d), nullptr);
    EXPECT_TRUE(qt::WidgetOf(d)->isVisible());
    EXPECT_EQ(Control<QLineEdit>(d, kEdit)->text(), QStringLiteral("kept"));
    Control<QPushButton>(d, kSkip)->click();
    EXPECT_TRUE(SawCommand(kSkip));
}

TEST_F(QtModalTest, MessageBoxesShowTheirButtonsAndAnswer) {
    VKHWND frame = CreateWindowOf(Kind::Window, nullptr, 0, u"Main", {0, 0, 300, 200}, kStyleVisible);
    struct Case {
        uint32_t flags;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton def;
        std::optional<QMessageBox::StandardButton> click; // none: Escape
        int result;
    } cases[] = {
        {kMbYesNo | kMbIconWarning | kMbDefButton2, QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No,
         QMessageBox::No, QMessageBox::Yes, kIdYes},
        {kMbOkCancel | kMbIconError, QMessageBox::Critical, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok,
         QMessageBox::Cancel, kIdCancel},
        {kMbYesNoCancel | kMbIconQuestion | kMbDefButton3, QMessageBox::Question,
         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel, std::nullopt, kIdCancel},
        {kMbAbortRetryIgnore | kMbDefButton2, QMessageBox::NoIcon,
         QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, QMessageBox::Retry, QMessageBox::Ignore,
         kIdIgnore},
        {kMbOk | kMbIconInformation, QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok, std::nullopt, kIdOk},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.flags);
        QString text, title;
        QMessageBox::Icon icon{};
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton def{};
        bool ownerEnabled = true;
        QTimer::singleShot(30, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            text = box->text();
            title = box->windowTitle();
            icon = box->icon();
            buttons = box->standardButtons();
            def = box->standardButton(box->defaultButton());
            ownerEnabled = qt::WidgetOf(frame)->isEnabled();
            if (c.click) box->button(*c.click)->click();
            else QTest::keyClick(box, Qt::Key_Escape);
        });
        EXPECT_EQ(MessageBox(frame, u"Terminate Process?", u"Process still running", c.flags), c.result);
        EXPECT_EQ(text, QStringLiteral("Terminate Process?"));
        EXPECT_EQ(title, QStringLiteral("Process still running"));
        EXPECT_EQ(icon, c.icon);
        EXPECT_EQ(buttons, c.buttons);
        EXPECT_EQ(def, c.def);
        EXPECT_FALSE(ownerEnabled); // the owner takes no input meanwhile
        EXPECT_TRUE(qt::WidgetOf(frame)->isEnabled());
    }
}

TEST_F(QtModalTest, FileDialogTakesTheRequestAndReturnsThePath) {
    const struct {
        std::u16string filter;
        QStringList expected;
    } filters[] = {
        {std::u16string(u"Talvern Backup\0*.conf.vkb\0\0", 27), {"Talvern Backup (*.conf.vkb)"}},
        {std::u16string(u"Ini\0*.ini;*.INI\0All files\0*.*\0\0", 32), {"Ini (*.ini *.INI)", "All files (*.*)"}},
        {std::u16string(u"Lonely\0\0", 8), {}}, // a description without a pattern
        // A description that shows its pattern already is not given it twice.
        {std::u16string(u"Talvern Backup (*.conf.vkb)\0*.conf.vkb\0\0", 40), {"Talvern Backup (*.conf.vkb)"}},
        {std::u16string(u"Ini (*.ini;*.INI)\0*.ini;*.INI\0\0", 31), {"Ini (*.ini *.INI)"}},
        {std::u16string(u"Notes (old)\0*.txt\0\0", 19), {"Notes (old) (*.txt)"}},
        {u"", {}},
    };
    for (const auto &f : filters) EXPECT_EQ(qt::NameFilters(f.filter), f.expected);

    TempFolder folder;
    for (bool accept : {true, false}) {
        SCOPED_TRACE(accept);
        FileDialogRequest request;
        request.title = u"Select Zip File Name";
        request.filter = filters[0].filter;
        request.initialDir = folder.upath();
        request.file = u"tal7cfg.conf.vkb";
        QString title, directory;
        QStringList shownFilters;
        QTimer::singleShot(30, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            title = dialog->windowTitle();
            directory = dialog->directory().absolutePath();
            shownFilters = dialog->nameFilters();
            // QFileDialog::accept is protected; QDialog's is the same slot.
            if (accept) static_cast<QDialog *>(dialog)->accept();
            else dialog->reject();
        });
        EXPECT_EQ(FileDialog(request), accept);
        EXPECT_EQ(title, QStringLiteral("Select Zip File Name"));
        EXPECT_EQ(directory + "/", QString::fromStdString(folder.path()));
        EXPECT_EQ(shownFilters, filters[0].expected);
        if (accept) {
            EXPECT_EQ(request.file, folder.ufile("tal7cfg.conf.vkb"));
        }
    }
}

TEST_F(QtModalTest, WaitCursorFollowsTheModel) {
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    BeginWaitCursor();
    BeginWaitCursor();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EndWaitCursor();
    EXPECT_NE(QApplication::overrideCursor(), nullptr); // still nested
    EndWaitCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(QtModalTest, ScreenshotOfADialogIsNotBlank) {
    auto *module = const_cast<VKModule *>(&TestModule());
    VKHWND d = CreateDialog(module, kOptionsDialog, nullptr, RecordingProc, 0);
    VKHWND page = CreateDialog(module, kPageDialog, d, RecordingProc, 0);
    MoveWindow(page, {GetWindowRect(d).x + 240, GetWindowRect(d).y + 20, 180, 97}, true);
    VKHWND tree = GetDlgItem(page, kTree);
    TreeItemData data;
    data.mask = kTvifText | kTvifState;
    data.text = u"Config";
    data.state = 3;
    VKTreeItem *root = TreeInsertItem(tree, nullptr, kTviLast, data);
    data.text = u"a.ini";
    data.state = 2;
    TreeInsertItem(tree, root, kTviLast, data);
    data.text = u"b.ini";
    data.state = 1;
    TreeInsertItem(tree, root, kTviLast, data);
    TreeExpand(tree, root, TreeExpandCode::Expand);
    ProgressSetPos(GetDlgItem(d, kBar), 60);
    TabInsertItem(GetDlgItem(d, kTabs), 0, u"&Backup");
    MoveWindow(d, {GetWindowRect(d).x, GetWindowRect(d).y, 440, 260}, true);
    Spin(0);

    QDir().mkpath(QStringLiteral(VK_BINARY_DIR "/screenshots"));
    const QString path = QStringLiteral(VK_BINARY_DIR "/screenshots/qt-smoke-dialog.png");
    ASSERT_EQ(vkui_qt_save_screenshot(GetDlgItem(page, kTree), path.toUtf8().constData()), 1);
    const QImage shot(path);
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), QSize(440, 260)); // the whole top-level window
    // Text, frames, the bar and the check boxes make many colours.
    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 2)
        for (int x = 0; x < shot.width(); x += 2) colours.insert(shot.pixel(x, y));
    EXPECT_GT(colours.size(), 8);
    EXPECT_GT(QFileInfo(path).size(), 1000);
}

// The probe decides whether Qt may be started at all.
TEST(QtDisplayProbe, TellsReachableDisplays) {
    struct Saved {
        const char *name;
        std::optional<std::string> value;
    } saved[] = {{"QT_QPA_PLATFORM", {}}, {"WAYLAND_DISPLAY", {}}, {"DISPLAY", {}}};
    for (Saved &s : saved)
        if (const char *v = std::getenv(s.name)) s.value = v;
    const struct {
        const char *qpa, *wayland, *display;
        bool reachable;
    } cases[] = {
        {"offscreen", nullptr, nullptr, true},
        {nullptr, nullptr, nullptr, false},
        {nullptr, nullptr, ":987", false},           // no such local server
        {nullptr, nullptr, "unix:987.0", false},
        {nullptr, nullptr, "remotehost:10.0", true}, // over the network: trusted
        {nullptr, "/nonexistent/wayland-9", nullptr, false},
        {nullptr, nullptr, "garbage", false},
    };
    for (const auto &c : cases) {
        const char *values[] = {c.qpa, c.wayland, c.display};
        for (size_t i = 0; i < 3; ++i) {
            if (values[i]) setenv(saved[i].name, values[i], 1);
            else unsetenv(saved[i].name);
        }
        EXPECT_EQ(qt::DisplayReachable(), c.reachable)
            << (c.qpa ? c.qpa : "-") << " " << (c.wayland ? c.wayland : "-") << " " << (c.display ? c.display : "-");
    }
    for (const Saved &s : saved) {
        if (s.value) setenv(s.name, s.value->c_str(), 1);
        else unsetenv(s.name);
    }
}

} // namespace
} // namespace vk::test
