// Dialogs from templates, modal runs, clicks and the destruction of windows.
#include "tests/platform/ui/ui_fixture.h"

#include "platform/ui/window.h"

namespace vk::test {

std::vector<Seen> &SeenLog() {
    static std::vector<Seen> log;
    return log;
}

intptr_t RecordingProc(VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    Seen s{w, msg, wparam, lparam};
    if (msg == ui::kMsgNotify) {
        const auto *n = reinterpret_cast<const ui::Notify *>(lparam);
        s.code = n->code;
        s.param = n->param;
    }
    SeenLog().push_back(s);
    return 0;
}

namespace {

using namespace vk::ui;

VKModule MakeModule() {
    VKModule m;
    DialogTemplate d;
    d.id = 111;
    d.title = u"Options";
    d.rect = {10, 20, 200, 100};
    d.controls = {
        {Kind::Static, 100, u"Choose one:", {7, 7, 100, 8}},
        {Kind::Edit, 1003, u"", {7, 20, 100, 12}},
        {Kind::CheckBox, 1002, u"&Report", {7, 36, 80, 10}},
        {Kind::CheckBox, 1004, u"Three", {7, 48, 80, 10}, kStyleVisible | kStyleTriState},
        {Kind::Radio, 1010, u"A", {7, 60, 30, 10}},
        {Kind::Radio, 1011, u"B", {40, 60, 30, 10}},
        {Kind::Button, 1, u"OK", {90, 80, 50, 14}, kStyleVisible | kStyleDefault},
        {Kind::Button, 2, u"Cancel", {145, 80, 50, 14}},
        {Kind::Button, 8162, u"&Skip", {7, 80, 50, 14}},
        {Kind::Button, 8163, u"Off", {7, 80, 50, 14}, kStyleVisible | kStyleDisabled},
    };
    m.dialogs[111] = d;
    DialogTemplate c;
    c.id = 107;
    c.title = u"Page";
    c.rect = {10, 20, 100, 50};
    c.style = kStyleVisible | kStyleChild;
    c.controls = {{Kind::TreeView, 1006, u"", {0, 0, 100, 40}, kStyleVisible | kStyleCheckBoxes}};
    m.dialogs[107] = c;
    DialogTemplate centred;
    centred.id = 137;
    centred.title = u"Progress";
    centred.rect = {0, 0, 80, 40};
    centred.style = kStyleVisible | kStyleCentered | kStyleNoCloseBox;
    m.dialogs[137] = centred;
    return m;
}

// The procedure of dialog 111: ends on OK, Cancel and Skip, remembers the
// init parameter, the focus it got and the commands.
struct DialogRun {
    intptr_t initParam = 0;
    std::vector<uintptr_t> commands;
    bool ownerEnabledInside = true;
    VKHWND owner = nullptr;
    Rect editRect;
    std::u16string editText;
    int check1002 = -1;
};
DialogRun g_run;

intptr_t OptionsProc(VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case kMsgInitDialog:
        g_run.initParam = lparam;
        g_run.editRect = GetWindowRect(GetDlgItem(w, 1003));
        if (g_run.owner) g_run.ownerEnabledInside = IsEnabled(g_run.owner);
        return 1;
    case kMsgCommand: {
        g_run.commands.push_back(wparam);
        const int32_t id = static_cast<int32_t>(wparam & 0xFFFF);
        if ((wparam >> 16) == kBnClicked && (id == kIdOk || id == kIdCancel || id == 8162)) {
            g_run.editText = GetDlgItemText(w, 1003);
            g_run.check1002 = IsDlgButtonChecked(w, 1002);
            EndDialog(w, id);
        }
        return 1;
    }
    default:
        return 0;
    }
}

class DialogTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        g_run = DialogRun{};
        SeenLog().clear();
        module = MakeModule();
    }
    VKModule module;
};

TEST_F(DialogTest, TemplateUnitsBecomePixelsAndInitGetsTheParameter) {
    VKHWND owner = CreateWindowOf(Kind::Window, nullptr, 0, u"Main", {100, 50, 800, 600}, kStyleVisible);
    g_run.owner = owner;
    ASSERT_TRUE(QueueAnswers(u"dialog 111:Ok"));
    EXPECT_EQ(DialogBox(&module, 111, owner, OptionsProc, 4711), kIdOk);
    EXPECT_EQ(g_run.initParam, 4711);
    // Edit at 7,20 size 100x12 units; the dialog at 10,20 relative to its owner.
    // x: 7*6/4 = 10.5 -> 11, y: 20*13/8 = 32.5 -> 33, w: 150, h: 19.5 -> 20.
    const int dx = 100 + 15, dy = 50 + 33; // dialog: 10*6/4=15, 20*13/8=32.5->33
    EXPECT_EQ(g_run.editRect.x, dx + 11);
    EXPECT_EQ(g_run.editRect.y, dy + 33);
    EXPECT_EQ(g_run.editRect.w, 150);
    EXPECT_EQ(g_run.editRect.h, 20);
    // The owner is disabled while the dialog runs, enabled again afterwards.
    EXPECT_FALSE(g_run.ownerEnabledInside);
    EXPECT_TRUE(IsEnabled(owner));
    // The dialog is gone afterwards.
    EXPECT_EQ(Children(nullptr).size(), 1u);
}

TEST_F(DialogTest, MissingTemplateOrModuleGivesMinusOne) {
    EXPECT_EQ(DialogBox(&module, 999, nullptr, OptionsProc, 0), -1);
    EXPECT_EQ(DialogBox(nullptr, 111, nullptr, OptionsProc, 0), -1);
    EXPECT_EQ(CreateDialog(&module, 999, nullptr, OptionsProc, 0), nullptr);
    EXPECT_TRUE(ShownLog().empty());
}

TEST_F(DialogTest, EndDialogDuringInitReturnsWithoutShowing) {
    auto proc = [](VKHWND w, uint32_t msg, uintptr_t, intptr_t) -> intptr_t {
        if (msg == kMsgInitDialog) EndDialog(w, 42);
        return 0;
    };
    EXPECT_EQ(DialogBox(&module, 111, nullptr, proc, 0), 42);
    EXPECT_TRUE(ShownLog().empty()); // never reached the backend
}

TEST_F(DialogTest, DialogDestroyedByItsProcedureDoesNotCrash) {
    auto proc = [](VKHWND w, uint32_t msg, uintptr_t, intptr_t) -> intptr_t {
        if (msg == kMsgCommand) DestroyWindow(w);
        return 0;
    };
    EXPECT_EQ(DialogBox(&module, 111, nullptr, proc, 0), -1);
    EXPECT_TRUE(Children(nullptr).empty());
}

TEST_F(DialogTest, ModelessAndChildDialogs) {
    VKHWND main = CreateWindowOf(Kind::Window, nullptr, 0, u"Main", {0, 0, 800, 600}, kStyleVisible);
    VKHWND page = CreateDialog(&module, 107, main, RecordingProc, 1);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(GetParent(page), main);
    EXPECT_EQ(GetOwner(page), nullptr);
    EXPECT_TRUE(IsVisible(page));
    const Rect r = GetWindowRect(page);
    EXPECT_EQ(r.x, 15);
    EXPECT_EQ(r.y, 33);
    EXPECT_EQ(GetKind(GetDlgItem(page, 1006)), Kind::TreeView);
    ASSERT_FALSE(SeenLog().empty());
    EXPECT_EQ(SeenLog().front().msg, kMsgInitDialog);
    EXPECT_EQ(SeenLog().front().lparam, 1);

    // A top-level modeless dialog is owned; GetParent names its owner.
    VKHWND box = CreateDialog(&module, 111, page, OptionsProc, 0);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(GetOwner(box), main);
    EXPECT_EQ(GetParent(box), main);
    EXPECT_TRUE(IsVisible(box));
    ClickButton(box, kIdOk);
    EXPECT_TRUE(IsWindow(box)); // EndDialog on a modeless dialog only hides it
    EXPECT_FALSE(IsVisible(box));
    // A template without kStyleVisible makes a hidden dialog.
    module.dialogs[111].style = 0;
    EXPECT_FALSE(IsVisible(CreateDialog(&module, 111, nullptr, OptionsProc, 0)));
    EXPECT_TRUE(IsDialogEnded(box));
}

TEST_F(DialogTest, CentredDialogSitsInTheMiddleOfItsOwner) {
    VKHWND owner = CreateWindowOf(Kind::Window, nullptr, 0, u"Main", {100, 100, 600, 400}, kStyleVisible);
    VKHWND d = CreateDialog(&module, 137, owner, nullptr, 0);
    const Rect r = GetWindowRect(d);
    EXPECT_EQ(r.w, 120);
    EXPECT_EQ(r.h, 65);
    EXPECT_EQ(r.x, 100 + (600 - 120) / 2);
    EXPECT_EQ(r.y, 100 + (400 - 65) / 2);
    // Unowned: centred in the work area.
    SetWorkArea({0, 0, 1000, 800});
    VKHWND lone = CreateDialog(&module, 137, nullptr, nullptr, 0);
    EXPECT_EQ(GetWindowRect(lone).x, (1000 - 120) / 2);
    EXPECT_EQ(GetWindowRect(lone).y, (800 - 65) / 2);
}

TEST_F(DialogTest, ClicksToggleChecksCycleTriStateAndGroupRadios) {
    VKHWND d = CreateDialog(&module, 111, nullptr, OptionsProc, 0);
    struct Step {
        int32_t id;
        int expect;
    } steps[] = {{1002, 1}, {1002, 0}, {1004, 1}, {1004, 2}, {1004, 0}};
    for (const auto &s : steps) {
        EXPECT_TRUE(ClickButton(d, s.id));
        EXPECT_EQ(IsDlgButtonChecked(d, s.id), s.expect) << s.id;
    }
    ClickButton(d, 1010);
    ClickButton(d, 1011);
    EXPECT_EQ(IsDlgButtonChecked(d, 1010), 0);
    EXPECT_EQ(IsDlgButtonChecked(d, 1011), 1);
    // Each click reached the dialog as a button-click command.
    ASSERT_EQ(g_run.commands.size(), 7u);
    EXPECT_EQ(g_run.commands[0], (uintptr_t{kBnClicked} << 16) | 1002);
}

TEST_F(DialogTest, DisabledHiddenAndMissingControlsAreNotClicked) {
    VKHWND d = CreateDialog(&module, 111, nullptr, OptionsProc, 0);
    EXPECT_FALSE(ClickButton(d, 8163)); // disabled
    ShowWindow(GetDlgItem(d, 8162), false);
    EXPECT_FALSE(ClickButton(d, 8162)); // hidden
    EXPECT_FALSE(ClickButton(d, 4242)); // missing
    EXPECT_TRUE(g_run.commands.empty());
    // Cancel and OK reach the dialog like the Escape and Enter keys, even
    // without such a button.
    DestroyWindow(GetDlgItem(d, kIdCancel));
    EXPECT_TRUE(ClickButton(d, kIdCancel));
    EXPECT_EQ(g_run.commands.back(), (uintptr_t{kBnClicked} << 16) | kIdCancel);
}

TEST_F(DialogTest, DefaultButtonAndItsMove) {
    VKHWND d = CreateDialog(&module, 111, nullptr, OptionsProc, 0);
    EXPECT_EQ(DefaultButtonId(d), kIdOk);
    SetDefaultButton(d, 8162);
    EXPECT_EQ(DefaultButtonId(d), 8162);
    VKHWND bare = CreateWindowOf(Kind::Dialog, nullptr, 0, u"", {}, kStyleVisible);
    EXPECT_EQ(DefaultButtonId(bare), kIdOk);
}

TEST_F(DialogTest, CloseOnADialogCancelsUnlessCancelIsDisabled) {
    VKHWND d = CreateDialog(&module, 111, nullptr, OptionsProc, 0);
    SendMessage(d, kMsgClose, 0, 0);
    ASSERT_EQ(g_run.commands.size(), 1u);
    EXPECT_EQ(g_run.commands[0] & 0xFFFF, static_cast<uintptr_t>(kIdCancel));
    VKHWND d2 = CreateDialog(&module, 111, nullptr, OptionsProc, 0);
    EnableWindow(GetDlgItem(d2, kIdCancel), false);
    SendMessage(d2, kMsgClose, 0, 0);
    EXPECT_EQ(g_run.commands.size(), 1u);
    // A frame window without a procedure is destroyed by close.
    VKHWND frame = CreateWindowOf(Kind::Window, nullptr, 0, u"", {}, kStyleVisible);
    SendMessage(frame, kMsgClose, 0, 0);
    EXPECT_FALSE(IsWindow(frame));
}

TEST_F(DialogTest, EnterTextSendsChangeAndRespectsReadOnly) {
    VKHWND d = CreateDialog(&module, 111, nullptr, OptionsProc, 0);
    EXPECT_TRUE(EnterText(d, 1003, u"abc"));
    EXPECT_EQ(GetDlgItemText(d, 1003), u"abc");
    ASSERT_EQ(g_run.commands.size(), 1u);
    EXPECT_EQ(g_run.commands[0], (uintptr_t{kEnChange} << 16) | 1003);
    VKHWND ro = CreateWindowOf(Kind::Edit, d, 1100, u"x", {}, kStyleVisible | kStyleReadOnly);
    ASSERT_NE(ro, nullptr);
    EXPECT_FALSE(EnterText(d, 1100, u"y"));
    EXPECT_EQ(GetWindowText(ro), u"x");
}

TEST_F(DialogTest, DestroyCascadesChildrenBeforeParentAndOwnedWindows) {
    VKHWND main = CreateWindowOf(Kind::Window, nullptr, 0, u"Main", {}, kStyleVisible, RecordingProc);
    VKHWND page = CreateWindowOf(Kind::Dialog, main, 5, u"", {}, kStyleVisible | kStyleChild, RecordingProc);
    VKHWND button = CreateWindowOf(Kind::Button, page, 1, u"OK", {}, kStyleVisible, RecordingProc);
    VKHWND popup = CreateWindowOf(Kind::Dialog, main, 0, u"Popup", {}, kStyleVisible, RecordingProc);
    SetTimer(button, 1, 10);
    PostMessage(page, kMsgUser, 0, 0);
    SetFocus(button);
    DestroyWindow(main);
    for (VKHWND w : {main, page, button, popup}) EXPECT_FALSE(IsWindow(w));
    std::vector<VKHWND> destroyed;
    for (const auto &s : SeenLog())
        if (s.msg == kMsgDestroy) destroyed.push_back(s.w);
    const std::vector<VKHWND> expected{popup, button, page, main};
    EXPECT_EQ(destroyed, expected);
    EXPECT_EQ(GetFocus(), nullptr);
    // Nothing posted to or timed for the dead windows arrives later.
    SeenLog().clear();
    PumpMessages();
    EXPECT_TRUE(SeenLog().empty());
    // Handles of dead windows are refused everywhere.
    EXPECT_EQ(GetWindowText(button), u"");
    EXPECT_EQ(SendMessage(page, kMsgUser, 0, 0), 0);
}

TEST_F(DialogTest, ControlsNeedAParentAndLiveParents) {
    EXPECT_EQ(CreateWindowOf(Kind::Button, nullptr, 1, u"", {}, kStyleVisible), nullptr);
    VKHWND w = CreateWindowOf(Kind::Window, nullptr, 0, u"", {}, kStyleVisible);
    DestroyWindow(w);
    EXPECT_EQ(CreateWindowOf(Kind::Button, w, 1, u"", {}, kStyleVisible), nullptr);
}

TEST_F(DialogTest, MoveWindowMovesChildrenAlongAndReportsSize) {
    VKHWND main = CreateWindowOf(Kind::Window, nullptr, 0, u"", {0, 0, 100, 100}, kStyleVisible, RecordingProc);
    VKHWND child = CreateWindowOf(Kind::Static, main, 1, u"", {10, 20, 5, 5}, kStyleVisible);
    MoveWindow(main, {50, 60, 100, 100}, true);
    EXPECT_EQ(GetWindowRect(child).x, 60);
    EXPECT_EQ(GetWindowRect(child).y, 80);
    EXPECT_TRUE(SeenLog().empty()); // same size: no size message
    MoveWindow(main, {50, 60, 300, 200}, true);
    ASSERT_EQ(SeenLog().size(), 1u);
    EXPECT_EQ(SeenLog()[0].msg, kMsgSize);
    EXPECT_EQ(SeenLog()[0].lparam, (200 << 16) | 300);
    MoveWindow(child, {0, 0, 5, 5}, true);
    EXPECT_EQ(GetWindowRect(child).x, 0);
    EXPECT_EQ(GetWindowRect(child).y, 0);
}

TEST_F(DialogTest, ProgressAndTabControls) {
    VKHWND d = CreateWindowOf(Kind::Dialog, nullptr, 0, u"", {}, kStyleVisible, RecordingProc);
    VKHWND bar = CreateWindowOf(Kind::Progress, d, 1001, u"", {}, kStyleVisible);
    EXPECT_EQ(ProgressGetPos(bar), 0);
    ProgressSetPos(bar, 150);
    EXPECT_EQ(ProgressGetPos(bar), 100); // clamped into 0..100
    ProgressSetRange(bar, 0, 10);
    EXPECT_EQ(ProgressGetPos(bar), 10);
    VKHWND tab = CreateWindowOf(Kind::Tab, d, 1000, u"", {}, kStyleVisible);
    EXPECT_EQ(TabGetCurSel(tab), -1);
    EXPECT_EQ(TabInsertItem(tab, 0, u"&Backup"), 0);
    EXPECT_EQ(TabGetCurSel(tab), 0);
    EXPECT_EQ(TabInsertItem(tab, 5, u"Second"), 1);
    SeenLog().clear();
    TabSetCurFocus(tab, 2); // no such tab
    EXPECT_TRUE(SeenLog().empty());
    TabSetCurFocus(tab, 1);
    EXPECT_EQ(TabGetCurSel(tab), 1);
    ASSERT_EQ(SeenLog().size(), 1u);
    EXPECT_EQ(SeenLog()[0].msg, kMsgNotify);
    EXPECT_EQ(SeenLog()[0].code, kTcnSelChange);
    EXPECT_EQ(SeenLog()[0].wparam, 1000u);
    EXPECT_EQ(SeenLog()[0].w, d);
}

} // namespace
} // namespace vk::test
