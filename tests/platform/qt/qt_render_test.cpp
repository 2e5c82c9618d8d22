// Widgets mirror the model, and what the user does with them reaches the
// model as the headless tests drive it.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QtTest/QTest>

#include "platform/ui/window.h"
#include "tests/platform/qt/qt_fixture.h"

namespace vk::test {
namespace {

using namespace vk::ui;

class QtRenderTest : public QtTest {};

QRect ModelRect(VKHWND w) {
    const Rect r = Live(w)->rect;
    return QRect(r.x, r.y, r.w, r.h);
}

TEST_F(QtRenderTest, WidgetsMirrorTheTemplate) {
    VKHWND d = CreateDialog(const_cast<VKModule *>(&TestModule()), kOptionsDialog, nullptr, RecordingProc, 0);
    ASSERT_NE(d, nullptr);
    QWidget *frame = qt::WidgetOf(d);
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isWindow());
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Options"));
    EXPECT_EQ(frame->size(), QSize(Live(d)->rect.w, Live(d)->rect.h));

    // Each control: its widget class, its text as shown, its place in pixels.
    struct Row {
        int32_t id;
        std::function<QString(QWidget *)> shown; // null: the widget is of the wrong class
        const char *text;
    };
    const Row rows[] = {
        {kLabel, [](QWidget *q) { auto *l = dynamic_cast<QLabel *>(q); return l ? l->text() : QString(); }, "Name:"},
        {kEdit, [](QWidget *q) { auto *e = dynamic_cast<QLineEdit *>(q); return e ? e->text() : QString(); }, "first"},
        {kNotes,
         [](QWidget *q) { auto *e = dynamic_cast<QPlainTextEdit *>(q); return e ? e->toPlainText() : QString(); },
         "one\ntwo"},
        {kThree, [](QWidget *q) { auto *b = dynamic_cast<QCheckBox *>(q); return b ? b->text() : QString(); }, "&Three"},
        {kRadioA, [](QWidget *q) { auto *b = dynamic_cast<QRadioButton *>(q); return b ? b->text() : QString(); }, "A"},
        {kGroup, [](QWidget *q) { auto *g = dynamic_cast<QGroupBox *>(q); return g ? g->title() : QString(); }, "Settings"},
        {kSkip, [](QWidget *q) { auto *b = dynamic_cast<QPushButton *>(q); return b ? b->text() : QString(); }, "&Skip"},
        {kBar, [](QWidget *q) { return dynamic_cast<QProgressBar *>(q) ? QStringLiteral("bar") : QString(); }, "bar"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.id);
        VKHWND c = GetDlgItem(d, row.id);
        QWidget *q = qt::WidgetOf(c);
        ASSERT_NE(q, nullptr);
        EXPECT_EQ(q->parentWidget(), frame);
        EXPECT_EQ(row.shown(q), QString::fromUtf8(row.text));
        EXPECT_EQ(q->geometry(), ModelRect(c));
        EXPECT_TRUE(q->isVisible());
    }
    EXPECT_TRUE(Control<QPushButton>(d, kIdOk)->isDefault());
    EXPECT_FALSE(Control<QPushButton>(d, kIdCancel)->isDefault());

    // Changes of the model show at once.
    SetDlgItemText(d, kLabel, u"Changed && more");
    EXPECT_EQ(Control<QLabel>(d, kLabel)->text(), QStringLiteral("Changed & more"));
    CheckDlgButton(d, kThree, 2);
    EXPECT_EQ(Control<QCheckBox>(d, kThree)->checkState(), Qt::PartiallyChecked);
    EnableWindow(GetDlgItem(d, kSkip), false);
    EXPECT_FALSE(Control<QPushButton>(d, kSkip)->isEnabled());
    ShowWindow(GetDlgItem(d, kEdit), false);
    EXPECT_TRUE(Control<QLineEdit>(d, kEdit)->isHidden());
    ProgressSetPos(GetDlgItem(d, kBar), 40);
    EXPECT_EQ(Control<QProgressBar>(d, kBar)->value(), 40);
    SetDefaultButton(d, kIdCancel);
    EXPECT_TRUE(Control<QPushButton>(d, kIdCancel)->isDefault());
    EXPECT_FALSE(Control<QPushButton>(d, kIdOk)->isDefault());
    TabInsertItem(GetDlgItem(d, kTabs), 0, u"&Backup");
    TabInsertItem(GetDlgItem(d, kTabs), 1, u"&Restore");
    auto *tabs = Control<QWidget>(d, kTabs)->findChild<QTabBar *>();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("&Restore"));
    MoveWindow(GetDlgItem(d, kSkip), {GetWindowRect(d).x + 5, GetWindowRect(d).y + 6, 70, 20}, true);
    EXPECT_EQ(Control<QPushButton>(d, kSkip)->geometry(), QRect(5, 6, 70, 20));

    // A destroyed window takes its widget along.
    QPointer<QWidget> gone = frame;
    DestroyWindow(d);
    Spin(0);
    EXPECT_TRUE(gone.isNull());
}

TEST_F(QtRenderTest, UserInputReachesTheModel) {
    VKHWND d = CreateDialog(const_cast<VKModule *>(&TestModule()), kOptionsDialog, nullptr, RecordingProc, 0);
    ASSERT_NE(d, nullptr);

    // A three-state box cycles as the model says, and shows each state.
    auto *three = Control<QCheckBox>(d, kThree);
    const struct {
        int model;
        Qt::CheckState shown;
    } cycle[] = {{1, Qt::Checked}, {2, Qt::PartiallyChecked}, {0, Qt::Unchecked}};
    for (const auto &step : cycle) {
        three->click();
        EXPECT_EQ(IsDlgButtonChecked(d, kThree), step.model);
        EXPECT_EQ(three->checkState(), step.shown);
    }
    EXPECT_TRUE(SawCommand(kThree));

    // Radio buttons: the model's group, not Qt's exclusivity.
    Control<QRadioButton>(d, kRadioA)->click();
    Control<QRadioButton>(d, kRadioB)->click();
    EXPECT_EQ(IsDlgButtonChecked(d, kRadioA), 0);
    EXPECT_EQ(IsDlgButtonChecked(d, kRadioB), 1);
    EXPECT_FALSE(Control<QRadioButton>(d, kRadioA)->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(d, kRadioB)->isChecked());

    // Typing: the model's text and kEnChange; a multi-line edit keeps CR LF.
    auto *edit = Control<QLineEdit>(d, kEdit);
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("abc"));
    EXPECT_EQ(GetDlgItemText(d, kEdit), u"abc");
    EXPECT_TRUE(SawCommand(kEdit, kEnChange));
    auto *notes = Control<QPlainTextEdit>(d, kNotes);
    notes->setPlainText(QStringLiteral("x\ny"));
    EXPECT_EQ(GetDlgItemText(d, kNotes), u"x\r\ny");
    EXPECT_TRUE(SawCommand(kNotes, kEnChange));

    // A tab click selects in the model and notifies the dialog.
    VKHWND tab = GetDlgItem(d, kTabs);
    TabInsertItem(tab, 0, u"One");
    TabInsertItem(tab, 1, u"Two");
    auto *bar = Control<QWidget>(d, kTabs)->findChild<QTabBar *>();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    EXPECT_EQ(TabGetCurSel(tab), 1);
    EXPECT_TRUE(SawNotify(kTcnSelChange));

    // A disabled button takes no click; an enabled one ends the dialog here.
    EnableWindow(GetDlgItem(d, kSkip), false);
    Control<QPushButton>(d, kSkip)->click();
    EXPECT_FALSE(SawCommand(kSkip));
    EnableWindow(GetDlgItem(d, kSkip), true);
    Control<QPushButton>(d, kSkip)->click();
    EXPECT_TRUE(SawCommand(kSkip));
    EXPECT_FALSE(qt::WidgetOf(d)->isVisible());
}

TEST_F(QtRenderTest, CloseBoxAsksTheModel) {
    VKHWND d = CreateDialog(const_cast<VKModule *>(&TestModule()), kOptionsDialog, nullptr, RecordingProc, 0);
    // A dialog turns the close box into Cancel.
    qt::WidgetOf(d)->close();
    EXPECT_TRUE(SawCommand(kIdCancel));
    EXPECT_FALSE(qt::WidgetOf(d)->isVisible());
    // A frame window without a procedure is destroyed.
    VKHWND frame = CreateWindowOf(Kind::Window, nullptr, 0, u"Main", {0, 0, 300, 200}, kStyleVisible);
    ASSERT_TRUE(qt::WidgetOf(frame)->isVisible());
    qt::WidgetOf(frame)->close();
    EXPECT_FALSE(IsWindow(frame));
}

// Keys a dialog handles go through the model (and its message filter).
TEST_F(QtRenderTest, DialogKeysGoThroughTheModel) {
    VKHWND d = CreateDialog(const_cast<VKModule *>(&TestModule()), kOptionsDialog, nullptr, RecordingProc, 0);
    QWidget *frame = qt::WidgetOf(d);
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    auto *edit = Control<QLineEdit>(d, kEdit);
    edit->setFocus();
    Spin(0);
    EXPECT_EQ(GetFocus(), GetDlgItem(d, kEdit)); // Qt's focus is the model's

    QTest::keyClick(edit, Qt::Key_F1);
    bool help = false;
    for (const Seen &s : SeenLog()) help |= s.msg == kMsgHelp && s.lparam == kEdit;
    EXPECT_TRUE(help);

    // A filter that takes Alt+B for itself, as the program's hook does.
    static std::vector<uintptr_t> filtered;
    filtered.clear();
    SetMessageFilter([](VKHWND, uint32_t msg, uintptr_t wparam, intptr_t) {
        if (msg != kMsgSysChar || (wparam != u'b' && wparam != u'B')) return false;
        filtered.push_back(wparam);
        return true;
    });
    QTest::keyClick(edit, Qt::Key_B, Qt::AltModifier);
    EXPECT_EQ(filtered, std::vector<uintptr_t>{u'b'});
    QTest::keyClick(edit, Qt::Key_T, Qt::AltModifier); // "&Three"
    EXPECT_EQ(IsDlgButtonChecked(d, kThree), 1);

    // Return clicks the default button unless a push button has the focus;
    // Escape is Cancel.
    const struct {
        QWidget *focus;
        Qt::Key key;
        int32_t command;
    } keys[] = {
        {edit, Qt::Key_Return, kIdOk},
        {Control<QPushButton>(d, kSkip), Qt::Key_Return, kSkip},
        {edit, Qt::Key_Escape, kIdCancel},
    };
    for (const auto &k : keys) {
        SeenLog().clear();
        ShowWindow(d, true);
        k.focus->setFocus();
        QTest::keyClick(k.focus, k.key);
        EXPECT_TRUE(SawCommand(k.command)) << k.command;
    }
}

} // namespace
} // namespace vk::test
