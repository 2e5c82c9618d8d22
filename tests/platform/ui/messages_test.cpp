// Posted messages, timers, quit, the message loop, input filtering and the
// wait cursor.
#include "tests/platform/ui/ui_fixture.h"

namespace vk::test {
namespace {

using namespace vk::ui;

int64_t g_now = 0;
int64_t FakeClock() { return g_now; }

class MessagesTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        SeenLog().clear();
        g_now = 1000;
        SetClock(FakeClock);
        w = CreateWindowOf(Kind::Window, nullptr, 0, u"Main", {}, kStyleVisible, RecordingProc);
    }
    std::vector<uint32_t> Messages() const {
        std::vector<uint32_t> out;
        for (const auto &s : SeenLog()) out.push_back(s.msg);
        return out;
    }
    VKHWND w = nullptr;
};

TEST_F(MessagesTest, PostedMessagesArriveInOrderOnlyWhenPumped) {
    PostMessage(w, kMsgUser + 1, 1, 10);
    PostMessage(w, kMsgUser + 2, 2, 20);
    EXPECT_TRUE(SeenLog().empty());
    EXPECT_TRUE(PumpMessages());
    ASSERT_EQ(SeenLog().size(), 2u);
    EXPECT_EQ(SeenLog()[0].msg, kMsgUser + 1);
    EXPECT_EQ(SeenLog()[0].lparam, 10);
    EXPECT_EQ(SeenLog()[1].wparam, 2u);
    // Messages to windows that no longer exist are dropped.
    PostMessage(nullptr, kMsgUser, 0, 0);
    VKHWND gone = CreateWindowOf(Kind::Window, nullptr, 0, u"", {}, 0, RecordingProc);
    PostMessage(gone, kMsgUser, 0, 0);
    DestroyWindow(gone);
    SeenLog().clear();
    PumpMessages();
    EXPECT_TRUE(SeenLog().empty());
}

intptr_t RepostingProc(VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    RecordingProc(w, msg, wparam, lparam);
    if (msg == kMsgUser) PostMessage(w, kMsgUser, 0, 0);
    return 0;
}

TEST_F(MessagesTest, AHandlerThatPostsAgainDoesNotStarveThePump) {
    VKHWND r = CreateWindowOf(Kind::Window, nullptr, 0, u"", {}, 0, RepostingProc);
    PostMessage(r, kMsgUser, 0, 0);
    PumpMessages();
    PumpMessages();
    EXPECT_EQ(SeenLog().size(), 2u); // one per pump
}

TEST_F(MessagesTest, QuitStopsThePumpAndEndsTheLoopWithItsCode) {
    PostMessage(w, kMsgUser, 0, 0);
    PostQuitMessage(3);
    EXPECT_FALSE(PumpMessages());
    EXPECT_EQ(SeenLog().size(), 1u); // pending messages still delivered
    EXPECT_EQ(RunMessageLoop(), 3);
    // The quit was taken: a new loop runs until the next one.
    PostQuitMessage(0);
    EXPECT_EQ(RunMessageLoop(), 0);
}

TEST_F(MessagesTest, TimersFireWhenDueAndRepeat) {
    SetTimer(w, 7, 100);
    PumpMessages();
    EXPECT_TRUE(SeenLog().empty());
    g_now += 99;
    PumpMessages();
    EXPECT_TRUE(SeenLog().empty());
    g_now += 1;
    PumpMessages();
    ASSERT_EQ(SeenLog().size(), 1u);
    EXPECT_EQ(SeenLog()[0].msg, kMsgTimer);
    EXPECT_EQ(SeenLog()[0].wparam, 7u);
    // A late pump delivers one timer message, not one per missed period.
    g_now += 1000;
    PumpMessages();
    EXPECT_EQ(SeenLog().size(), 2u);
    // Setting the timer again restarts its period.
    SetTimer(w, 7, 50);
    g_now += 49;
    PumpMessages();
    EXPECT_EQ(SeenLog().size(), 2u);
    KillTimer(w, 7);
    g_now += 1000;
    PumpMessages();
    EXPECT_EQ(SeenLog().size(), 2u);
}

intptr_t TimerKillsOtherProc(VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    RecordingProc(w, msg, wparam, lparam);
    if (msg == kMsgTimer && wparam == 1) KillTimer(w, 2);
    return 0;
}

TEST_F(MessagesTest, ATimerKilledByAnotherTimerDoesNotFire) {
    VKHWND t = CreateWindowOf(Kind::Window, nullptr, 0, u"", {}, 0, TimerKillsOtherProc);
    SetTimer(t, 1, 10);
    SetTimer(t, 2, 10);
    g_now += 10;
    PumpMessages();
    ASSERT_EQ(SeenLog().size(), 1u);
    EXPECT_EQ(SeenLog()[0].wparam, 1u);
}

intptr_t QuitOnThirdTimer(VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    RecordingProc(w, msg, wparam, lparam);
    if (msg == kMsgTimer && SeenLog().size() == 3) PostQuitMessage(9);
    return 0;
}

TEST_F(MessagesTest, MessageLoopWaitsForTimersOnTheRealClock) {
    SetClock(nullptr);
    VKHWND t = CreateWindowOf(Kind::Window, nullptr, 0, u"", {}, 0, QuitOnThirdTimer);
    SetTimer(t, 1, 5);
    const int64_t start = NowMs();
    EXPECT_EQ(RunMessageLoop(), 9);
    EXPECT_GE(NowMs() - start, 15);
    EXPECT_EQ(SeenLog().size(), 3u);
}

intptr_t MainWindowProc(VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    RecordingProc(w, msg, wparam, lparam);
    if (msg == kMsgDestroy) PostQuitMessage(0);
    return DefWindowProc(w, msg, wparam, lparam);
}

TEST_F(MessagesTest, HeadlessLoopWithNothingToDoClosesTheWindows) {
    VKHWND main = CreateWindowOf(Kind::Window, nullptr, 0, u"", {}, kStyleVisible, MainWindowProc);
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_FALSE(IsWindow(main));
    // A window that refuses to close: the loop still ends.
    SeenLog().clear();
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_NE(std::find(Messages().begin(), Messages().end(), kMsgClose), Messages().end());
}

// A message filter: consumes Alt+O, passes everything else on.
MessageFilter g_previous = nullptr;
int g_filtered = 0;
bool Filter(VKHWND t, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    ++g_filtered;
    if (msg == kMsgSysChar && (wparam == 'o' || wparam == 'O')) return true;
    return g_previous ? g_previous(t, msg, wparam, lparam) : false;
}

TEST_F(MessagesTest, InputGoesThroughTheFilterThenTheDialogKeys) {
    VKHWND d = CreateWindowOf(Kind::Dialog, nullptr, 0, u"", {}, kStyleVisible, RecordingProc);
    VKHWND edit = CreateWindowOf(Kind::Edit, d, 1003, u"", {}, kStyleVisible);
    CreateWindowOf(Kind::Button, d, 1, u"OK", {}, kStyleVisible | kStyleDefault);
    CreateWindowOf(Kind::CheckBox, d, 1005, u"&Over&&write", {}, kStyleVisible);
    CreateWindowOf(Kind::Button, d, 1006, u"&Options", {}, kStyleVisible);
    g_previous = SetMessageFilter(Filter);
    g_filtered = 0;
    auto commands = [&] {
        std::vector<uintptr_t> ids;
        for (const auto &s : SeenLog())
            if (s.msg == kMsgCommand) ids.push_back(s.wparam & 0xFFFF);
        return ids;
    };
    DeliverInput(edit, kMsgKeyDown, kKeyReturn, 0);
    DeliverInput(edit, kMsgKeyDown, kKeyEscape, 0);
    DeliverInput(edit, kMsgSysChar, 'o', 0); // consumed by the filter
    DeliverInput(edit, kMsgSysChar, 'O', 0);
    DeliverInput(edit, kMsgSysChar, 'W', 0); // "&&" is a literal ampersand: no mnemonic
    DeliverInput(edit, kMsgSysChar, 'o', 0);
    EXPECT_EQ(commands(), (std::vector<uintptr_t>{1, 2}));
    EXPECT_EQ(g_filtered, 6);
    SetMessageFilter(nullptr);
    DeliverInput(edit, kMsgSysChar, 'o', 0);
    // The first button marking the letter is clicked.
    EXPECT_EQ(commands(), (std::vector<uintptr_t>{1, 2, 1005}));
    EXPECT_EQ(IsDlgButtonChecked(d, 1005), 1);
    // F1 becomes a help message that travels up to the dialog.
    SeenLog().clear();
    DeliverInput(edit, kMsgKeyDown, kKeyF1, 0);
    ASSERT_EQ(SeenLog().size(), 1u);
    EXPECT_EQ(SeenLog()[0].msg, kMsgHelp);
    EXPECT_EQ(SeenLog()[0].lparam, 1003);
}

TEST_F(MessagesTest, WaitCursorNestsAndNeverGoesNegative) {
    EXPECT_EQ(WaitCursorDepth(), 0);
    BeginWaitCursor();
    BeginWaitCursor();
    EndWaitCursor();
    EXPECT_EQ(WaitCursorDepth(), 1);
    EndWaitCursor();
    EndWaitCursor();
    EXPECT_EQ(WaitCursorDepth(), 0);
}

TEST_F(MessagesTest, SetTextMessageAndUserData) {
    VKHWND plain = CreateWindowOf(Kind::Static, w, 5, u"old", {}, kStyleVisible);
    SendMessage(plain, kMsgSetText, 0, reinterpret_cast<intptr_t>(u"new"));
    EXPECT_EQ(GetWindowText(plain), u"new");
    SetUserData(plain, 99);
    EXPECT_EQ(GetUserData(plain), 99);
    EXPECT_EQ(GetDlgCtrlID(plain), 5);
    EXPECT_EQ(GetDlgItem(w, 5), plain);
}

} // namespace
} // namespace vk::test
