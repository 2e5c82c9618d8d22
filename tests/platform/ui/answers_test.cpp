// The headless backend: scripted answers, defaults, file dialogs, and the
// answer-script parser.
#include "tests/platform/ui/ui_fixture.h"

#include "tests/support/test_support.h"
#include "platform/ui/internal.h"

namespace vk::test {
namespace {

using namespace vk::ui;

// ---- Parser -----------------------------------------------------------------

TEST_F(UiTest, AnswerScriptParsesEveryForm) {
    ASSERT_TRUE(QueueAnswers(u" box:Yes ; box( Terminate ):no;dialog 113:8162; dialog:Cancel;"
                             u"dialog 111:1{check 1002=1}{text 1003= a\\;b\\}c}; file:/tmp/x.vkb; file: ;"
                             u"any:7; box:Retry*2;;"));
    std::vector<Answer> got;
    while (auto a = TakeAnswer([](const Answer &) { return true; })) got.push_back(*a);
    ASSERT_EQ(got.size(), 10u);
    using T = Answer::Target;
    EXPECT_EQ(got[0].target, T::Box);
    EXPECT_EQ(got[0].button, kIdYes);
    EXPECT_EQ(got[0].match, u"");
    EXPECT_EQ(got[1].match, u"Terminate");
    EXPECT_EQ(got[1].button, kIdNo);
    EXPECT_EQ(got[2].target, T::Dialog);
    EXPECT_EQ(got[2].dialogId, 113);
    EXPECT_EQ(got[2].button, 8162);
    EXPECT_EQ(got[3].dialogId, 0);
    EXPECT_EQ(got[3].button, kIdCancel);
    EXPECT_EQ(got[4].dialogId, 111);
    ASSERT_EQ(got[4].checks.size(), 1u);
    EXPECT_EQ(got[4].checks[0], std::make_pair(1002, 1));
    ASSERT_EQ(got[4].texts.size(), 1u);
    EXPECT_EQ(got[4].texts[0].first, 1003);
    EXPECT_EQ(got[4].texts[0].second, u" a;b}c"); // texts keep their blanks
    EXPECT_EQ(got[5].target, T::File);
    EXPECT_EQ(got[5].path, u"/tmp/x.vkb");
    EXPECT_EQ(got[6].path, u"");
    EXPECT_EQ(got[7].target, T::Any);
    EXPECT_EQ(got[7].button, 7);
    EXPECT_EQ(got[8].button, kIdRetry);
    EXPECT_EQ(got[9].button, kIdRetry);
}

struct ParseCase {
    const char16_t *script;
    size_t answers; // queued when valid
    bool ok;
};

TEST_F(UiTest, AnswerScriptGoodAndBadInput) {
    const ParseCase cases[] = {
        {u"", 0, true},
        {u" ; ;", 0, true},
        {u"box:Ok", 1, true},
        {u"BOX:OK", 1, true},
        {u"box:6", 1, true},
        {u"box:Yes*3", 3, true},
        {u"dialog 113:8162", 1, true},
        {u"dialog 111:1{check 1002=2}{text 1003=}", 1, true},
        {u"file:", 1, true},
        {u"file:/a b/c.vkb", 1, true},
        {u"any:Cancel", 1, true},
        {u"box:Yes; file:/x; dialog:Ok", 3, true},
        {u"box", 0, false},                         // no ':'
        {u"box:Maybe", 0, false},                   // unknown button
        {u"box(abc:Yes", 0, false},                 // unclosed match
        {u"window:Ok", 0, false},                   // unknown kind
        {u"dialog 111:1{check 1002=3}", 0, false},  // state out of range
        {u"dialog 111:1{radio 1002=1}", 0, false},  // unknown setting
        {u"dialog 111:1{text 1003=abc", 0, false},  // unclosed text
        {u"dialog x:1", 0, false},                  // id not a number
        {u"box:Yes box:No", 0, false},              // missing ';'
        {u"box:Yes*0", 0, false},                   // bad count
        {u"box:99999999999", 0, false},             // number too large
        {u"box:Ok; box:Nope", 0, false},            // all or nothing
    };
    for (const auto &c : cases) {
        ClearAnswers();
        std::u16string error = u"unchanged";
        EXPECT_EQ(QueueAnswers(c.script, &error), c.ok) << N(c.script);
        EXPECT_EQ(PendingAnswers(), c.answers) << N(c.script);
        if (c.ok) {
            EXPECT_TRUE(error.empty()) << N(c.script);
        } else {
            EXPECT_NE(error.find(u"position"), std::u16string::npos) << N(c.script) << ": " << N(error);
        }
    }
}

TEST_F(UiTest, AnswerScriptEscapesAndBlanks) {
    ASSERT_TRUE(QueueAnswers(u"file: /tmp/a\\;b\\*c.vkb  "));
    FileDialogRequest r;
    EXPECT_TRUE(FileDialog(r));
    EXPECT_EQ(r.file, u"/tmp/a;b*c.vkb");
    // A backslash before an ordinary character stays.
    ASSERT_TRUE(QueueAnswers(u"box(C:\\Talvern):Cancel"));
    EXPECT_EQ(MessageBox(nullptr, u"Cannot open C:\\Talvern\\x", u"", kMbOkCancel), kIdCancel);
}

// ---- Message boxes ----------------------------------------------------------

struct BoxCase {
    uint32_t flags;
    int expected;
};

TEST_F(UiTest, BoxWithoutAnswerTakesItsDefaultButton) {
    const BoxCase cases[] = {
        {kMbOk, kIdOk},
        {kMbOkCancel, kIdOk},
        {kMbOkCancel | kMbDefButton2, kIdCancel},
        {kMbYesNo, kIdYes},
        {kMbYesNo | kMbDefButton2 | kMbIconWarning, kIdNo},
        {kMbYesNoCancel | kMbDefButton3, kIdCancel},
        {kMbAbortRetryIgnore | kMbDefButton2, kIdRetry},
        {kMbRetryCancel | kMbDefButton3, kIdRetry}, // no third button: the first
        {kMbOk | kMbDefButton2, kIdOk},
    };
    for (const auto &c : cases) EXPECT_EQ(MessageBox(nullptr, u"Text", u"Caption", c.flags), c.expected) << c.flags;
    EXPECT_EQ(ShownLog().size(), std::size(cases));
}

TEST_F(UiTest, BoxAnswersMatchTextOrCaptionInOrder) {
    ASSERT_TRUE(QueueAnswers(u"box(running):No; box:Cancel; box(terminate):Yes"));
    // The first box matches only the unconditional answer.
    EXPECT_EQ(MessageBox(nullptr, u"Overwrite?", u"Question", kMbOkCancel), kIdCancel);
    // The caption matches "running" (case ignored), the earlier answer.
    EXPECT_EQ(MessageBox(nullptr, u"Terminate Process?", u"Process still Running", kMbYesNo), kIdNo);
    EXPECT_EQ(MessageBox(nullptr, u"Terminate Process?", u"x", kMbYesNo), kIdYes);
    EXPECT_EQ(PendingAnswers(), 0u);
    ASSERT_EQ(ShownLog().size(), 3u);
    EXPECT_EQ(ShownLog()[1].caption, u"Process still Running");
    EXPECT_EQ(ShownLog()[1].result, kIdNo);
    EXPECT_EQ(ShownLog()[1].what, Shown::What::Box);
}

TEST_F(UiTest, BoxAnswerThatIsNoButtonOfTheBoxFallsBackToDefault) {
    ASSERT_TRUE(QueueAnswers(u"box:Yes"));
    EXPECT_EQ(MessageBox(nullptr, u"Done", u"", kMbOk), kIdOk);
    EXPECT_EQ(PendingAnswers(), 0u); // consumed, not left for a later box
}

TEST_F(UiTest, OwnerIsDisabledOnlyWhileTheBoxIsUp) {
    VKHWND owner = CreateWindowOf(Kind::Window, nullptr, 0, u"", {}, kStyleVisible);
    VKHWND child = CreateWindowOf(Kind::Button, owner, 1, u"", {}, kStyleVisible);
    class Probe final : public Backend {
    public:
        const char *Name() const override { return "probe"; }
        bool HasDisplay() const override { return true; }
        void RunModal(VKHWND d) override { EndDialog(d, 0); }
        int MessageBox(VKHWND o, std::u16string_view, std::u16string_view, uint32_t) override {
            return IsEnabled(o) ? 100 : 200;
        }
        bool FileDialog(FileDialogRequest &) override { return false; }
        void ProcessInput() override {}
        void WaitForInput(int) override {}
    };
    InstallBackend(std::make_unique<Probe>());
    EXPECT_TRUE(HasDisplay());
    EXPECT_EQ(ui::MessageBox(child, u"", u"", kMbOk), 200); // the top-level owner was disabled
    EXPECT_TRUE(IsEnabled(owner));
    InstallBackend(nullptr);
    EXPECT_FALSE(HasDisplay());
}

// ---- Dialogs ----------------------------------------------------------------

VKModule DialogModule() {
    VKModule m;
    for (int32_t id : {111, 113}) {
        DialogTemplate d;
        d.id = id;
        d.title = id == 111 ? u"Options" : u"Overwrite";
        d.rect = {0, 0, 100, 60};
        d.controls = {
            {Kind::Static, 100, u"Line one\nline two", {}},
            {Kind::Edit, 1003, u"", {}},
            {Kind::CheckBox, 1002, u"", {}, kStyleVisible | kStyleTriState},
            {Kind::Button, 8162, u"Skip", {}},
            {Kind::Button, 8163, u"Keep", {}, kStyleVisible | kStyleDefault},
            {Kind::Button, 9000, u"Stay", {}},
        };
        m.dialogs[id] = d;
    }
    return m;
}

struct Outcome {
    std::u16string text;
    int check = -1;
    int checkClicks = 0;
};
Outcome g_outcome;

// Ends with the id of any clicked push button except 9000, which leaves the
// dialog open.
intptr_t AnsweredProc(VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t) {
    if (msg != kMsgCommand || (wparam >> 16) != kBnClicked) return 0;
    const int32_t id = static_cast<int32_t>(wparam & 0xFFFF);
    if (id == 1002) {
        ++g_outcome.checkClicks;
        return 1;
    }
    g_outcome.text = GetDlgItemText(w, 1003);
    g_outcome.check = IsDlgButtonChecked(w, 1002);
    if (id != 9000) EndDialog(w, id);
    return 1;
}

class AnswerDialogTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        g_outcome = Outcome{};
        module = DialogModule();
    }
    VKModule module;
};

TEST_F(AnswerDialogTest, WithoutAnswerTheDefaultButtonIsClicked) {
    EXPECT_EQ(DialogBox(&module, 113, nullptr, AnsweredProc, 0), 8163);
    ASSERT_EQ(ShownLog().size(), 1u);
    EXPECT_EQ(ShownLog()[0].what, Shown::What::Dialog);
    EXPECT_EQ(ShownLog()[0].dialogId, 113);
    EXPECT_EQ(ShownLog()[0].caption, u"Overwrite");
    EXPECT_EQ(ShownLog()[0].text, u"Line one / line two");
    EXPECT_EQ(ShownLog()[0].result, 8163);
}

TEST_F(AnswerDialogTest, AnswersMatchByDialogIdAndSetControlsFirst) {
    ASSERT_TRUE(QueueAnswers(u"dialog 113:8162; dialog 111:8163{check 1002=2}{text 1003=abc}"));
    EXPECT_EQ(DialogBox(&module, 111, nullptr, AnsweredProc, 0), 8163);
    EXPECT_EQ(g_outcome.text, u"abc");
    EXPECT_EQ(g_outcome.check, 2);
    EXPECT_EQ(g_outcome.checkClicks, 2); // reached by clicking, as a user would
    EXPECT_EQ(PendingAnswers(), 1u);
    EXPECT_EQ(DialogBox(&module, 113, nullptr, AnsweredProc, 0), 8162);
    EXPECT_EQ(PendingAnswers(), 0u);
}

TEST_F(AnswerDialogTest, ADialogLeftOpenByTheClickIsCancelled) {
    ASSERT_TRUE(QueueAnswers(u"dialog:9000"));
    EXPECT_EQ(DialogBox(&module, 111, nullptr, AnsweredProc, 0), kIdCancel);
    ASSERT_TRUE(QueueAnswers(u"dialog:4711")); // no such control
    EXPECT_EQ(DialogBox(&module, 111, nullptr, AnsweredProc, 0), kIdCancel);
}

TEST_F(AnswerDialogTest, PostedMessagesReachTheDialogBeforeTheAnswer) {
    auto proc = [](VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t) -> intptr_t {
        if (msg == kMsgInitDialog) PostMessage(w, kMsgUser + 1, 0, 0);
        if (msg == kMsgUser + 1) EndDialog(w, 77);
        if (msg == kMsgCommand) EndDialog(w, static_cast<intptr_t>(wparam & 0xFFFF));
        return 0;
    };
    EXPECT_EQ(DialogBox(&module, 111, nullptr, proc, 0), 77);
}

// ---- File dialogs -------------------------------------------------------------

TEST_F(UiTest, FileDialogDefaultsAnswersAndExtensions) {
    TempFolder tmp;
    WriteFile(tmp.file("there.vkb"), "x");
    struct Case {
        const char16_t *script; // queued first ("" = none)
        bool save;
        std::u16string initialDir, proposed, ext;
        bool mustExist;
        bool chosen;
        std::u16string path;
    };
    const std::u16string dir = tmp.upath();
    const Case cases[] = {
        {u"", true, u"/data/backup", u"config.conf.vkb", u"", false, true, u"/data/backup/config.conf.vkb"},
        {u"", true, u"/data/backup/", u"config", u"vkb", false, true, u"/data/backup/config.vkb"},
        {u"", true, u"/data", u"/abs/x.vkb", u"vkb", false, true, u"/abs/x.vkb"},
        {u"", true, u"/data", u"", u"vkb", false, false, u""},
        {u"", false, u"/data", u"x.vkb", u"", false, false, u"x.vkb"},
        {u"file:/tmp/y", false, u"/data", u"", u"vkb", false, true, u"/tmp/y.vkb"},
        {u"file:rel.vkb", false, u"/data", u"", u"", false, true, u"/data/rel.vkb"},
        {u"file:", true, u"/data", u"keep.vkb", u"", false, false, u"keep.vkb"},
        {u"file:there.vkb", false, dir, u"", u"", true, true, dir + u"there.vkb"},
        {u"file:missing.vkb", false, dir, u"", u"", true, false, u""},
        {u"any:Cancel", true, u"/data", u"x.vkb", u"", false, false, u"x.vkb"},
    };
    for (const auto &c : cases) {
        ClearAnswers();
        ASSERT_TRUE(QueueAnswers(c.script));
        FileDialogRequest r;
        r.save = c.save;
        r.initialDir = c.initialDir;
        r.file = c.proposed;
        r.defaultExt = c.ext;
        r.fileMustExist = c.mustExist;
        EXPECT_EQ(FileDialog(r), c.chosen) << N(c.script) << " " << N(c.proposed);
        if (c.chosen || !c.path.empty()) {
            EXPECT_EQ(r.file, c.path) << N(c.script) << " " << N(c.proposed);
        }
    }
    EXPECT_EQ(ShownLog().size(), std::size(cases));
    EXPECT_EQ(ShownLog().front().what, Shown::What::File);
}

TEST_F(UiTest, FileAnswersAreNotTakenByBoxes) {
    ASSERT_TRUE(QueueAnswers(u"file:/tmp/a.vkb; box:No"));
    EXPECT_EQ(MessageBox(nullptr, u"Replace?", u"", kMbYesNo), kIdNo);
    FileDialogRequest r;
    EXPECT_TRUE(FileDialog(r));
    EXPECT_EQ(r.file, u"/tmp/a.vkb");
}

TEST_F(UiTest, HelpWithoutDisplayIsRefused) {
    EXPECT_FALSE(OpenHelp(u"/opt/vault keep/help.html", u"topic1028"));
    EXPECT_FALSE(OpenUrl("file:///x"));
}

} // namespace
} // namespace vk::test
