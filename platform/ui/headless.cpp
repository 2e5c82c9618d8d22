// The headless backend: no display. Modal dialogs, message boxes and file
// dialogs are answered from the scripted answer queue or by their defaults,
// and what they show goes to standard error as one line each.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/text/text.h"
#include "platform/ui/internal.h"
#include "platform/ui/window.h"

namespace vk::ui {

namespace {

std::vector<Shown> &Log() {
    static std::vector<Shown> log;
    return log;
}

std::string Quote(std::u16string_view s) { return "\"" + OneLine(s) + "\""; }

const char *ButtonName(intptr_t id) {
    switch (id) {
    case kIdOk: return "OK";
    case kIdCancel: return "Cancel";
    case kIdAbort: return "Abort";
    case kIdRetry: return "Retry";
    case kIdIgnore: return "Ignore";
    case kIdYes: return "Yes";
    case kIdNo: return "No";
    default: return nullptr;
    }
}

std::string ButtonText(intptr_t id) {
    const char *n = ButtonName(id);
    return n ? n : std::to_string(id);
}

std::vector<int32_t> BoxButtons(uint32_t flags) {
    switch (flags & 0xF) {
    case kMbOkCancel: return {kIdOk, kIdCancel};
    case kMbAbortRetryIgnore: return {kIdAbort, kIdRetry, kIdIgnore};
    case kMbYesNoCancel: return {kIdYes, kIdNo, kIdCancel};
    case kMbYesNo: return {kIdYes, kIdNo};
    case kMbRetryCancel: return {kIdRetry, kIdCancel};
    default: return {kIdOk};
    }
}

bool ContainsNoCase(std::u16string_view hay, std::u16string_view needle) {
    return text::Lower(hay).find(text::Lower(needle)) != std::u16string::npos;
}

// The static texts of a dialog (and of the child dialogs it holds).
void CollectTexts(const VKWindow *w, std::string &out) {
    for (const VKWindow *c : w->children) {
        if (c->kind == Kind::Dialog) {
            CollectTexts(c, out);
        } else if (c->kind == Kind::Static && !c->text.empty()) {
            if (!out.empty()) out += " | ";
            out += OneLine(c->text);
        }
    }
}

std::u16string JoinPath(const std::u16string &dir, const std::u16string &name) {
    if (name.empty() || name.front() == u'/' || dir.empty()) return name;
    return dir.back() == u'/' ? dir + name : dir + u'/' + name;
}

// Appends the default extension to a name that has none.
std::u16string WithExtension(std::u16string path, const std::u16string &ext) {
    if (ext.empty() || path.empty()) return path;
    const size_t slash = path.rfind(u'/');
    const size_t dot = path.rfind(u'.');
    if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) path += u'.' + ext;
    return path;
}

class HeadlessBackend final : public Backend {
public:
    const char *Name() const override { return "headless"; }
    bool HasDisplay() const override { return false; }

    void RunModal(VKHWND dialog) override {
        DeliverPostedAndTimers();
        if (IsDialogEnded(dialog)) return;
        VKWindow *d = Live(dialog);
        const int32_t templateId = d->templateId;
        const std::u16string title = d->text;
        std::string texts;
        CollectTexts(d, texts);
        auto answer = TakeAnswer([&](const Answer &a) {
            return a.target == Answer::Target::Any ||
                   (a.target == Answer::Target::Dialog && (a.dialogId == 0 || a.dialogId == templateId));
        });
        const int32_t click = answer ? answer->button : DefaultButtonId(d);
        LogLine("dialog " + std::to_string(templateId) + " " + Quote(title) + (texts.empty() ? "" : ": " + texts) +
                " -> " + (answer ? "answer: " : "default: ") + ButtonText(click));
        if (answer) {
            for (const auto &[id, value] : answer->texts)
                if (!IsDialogEnded(d) && !EnterText(d, id, value))
                    LogLine("dialog " + std::to_string(templateId) + ": control " + std::to_string(id) +
                            " takes no text");
            for (const auto &[id, state] : answer->checks)
                if (!IsDialogEnded(d)) SetCheck(d, templateId, id, state);
        }
        if (!IsDialogEnded(d) && !ClickButton(d, click))
            LogLine("dialog " + std::to_string(templateId) + ": control " + std::to_string(click) +
                    " cannot be clicked");
        if (!IsDialogEnded(d)) DeliverPostedAndTimers();
        if (!IsDialogEnded(d)) {
            LogLine("dialog " + std::to_string(templateId) + " still open after the click; cancelled");
            EndDialog(d, kIdCancel);
        }
        Shown s;
        s.what = Shown::What::Dialog;
        s.dialogId = templateId;
        s.text = text::FromUtf8(texts);
        s.caption = title;
        s.result = Live(d) ? d->dialogResult : static_cast<intptr_t>(kIdCancel);
        RecordShown(std::move(s));
    }

    int MessageBox(VKHWND, std::u16string_view text, std::u16string_view caption, uint32_t flags) override {
        const std::vector<int32_t> buttons = BoxButtons(flags);
        size_t def = (flags & kMbDefButton3) ? 2 : (flags & kMbDefButton2) ? 1 : 0;
        if (def >= buttons.size()) def = 0;
        auto answer = TakeAnswer([&](const Answer &a) {
            if (a.target == Answer::Target::Any) return true;
            return a.target == Answer::Target::Box &&
                   (a.match.empty() || ContainsNoCase(text, a.match) || ContainsNoCase(caption, a.match));
        });
        int result = buttons[def];
        std::string how = "default";
        if (answer) {
            if (std::find(buttons.begin(), buttons.end(), answer->button) != buttons.end()) {
                result = answer->button;
                how = "answer";
            } else {
                how = "answer " + ButtonText(answer->button) + " is no button of this box; default";
            }
        }
        std::string names;
        for (int32_t b : buttons) names += (names.empty() ? "" : "/") + ButtonText(b);
        LogLine("box " + Quote(caption) + ": " + OneLine(text) + " [" + names + "] -> " + how + ": " +
                ButtonText(result));
        Shown s;
        s.what = Shown::What::Box;
        s.text = std::u16string(text);
        s.caption = std::u16string(caption);
        s.flags = flags;
        s.result = result;
        RecordShown(std::move(s));
        return result;
    }

    bool FileDialog(FileDialogRequest &request) override {
        auto answer = TakeAnswer(
            [](const Answer &a) { return a.target == Answer::Target::File || a.target == Answer::Target::Any; });
        std::u16string path;
        std::string how;
        if (answer) {
            how = "answer";
            if (answer->target == Answer::Target::File || answer->button != kIdCancel) path = answer->path;
        } else if (request.save) {
            how = "default";
            path = request.file;
        } else {
            how = "default";
        }
        path = WithExtension(JoinPath(request.initialDir, path), request.defaultExt);
        if (!path.empty() && request.fileMustExist) {
            std::error_code ec;
            if (!std::filesystem::exists(text::NativePath(path), ec)) {
                how += " (" + OneLine(path) + " does not exist)";
                path.clear();
            }
        }
        const bool chosen = !path.empty();
        LogLine(std::string(request.save ? "save" : "open") + " file " + Quote(request.title) + " in " +
                Quote(request.initialDir) + " proposing " + Quote(request.file) + " -> " + how + ": " +
                (chosen ? OneLine(path) : std::string("cancelled")));
        Shown s;
        s.what = Shown::What::File;
        s.text = chosen ? path : request.file;
        s.caption = request.title;
        s.flags = request.save ? 1 : 0;
        s.result = chosen ? 1 : 0;
        RecordShown(std::move(s));
        if (chosen) request.file = path;
        return chosen;
    }

    void ProcessInput() override {}

    void WaitForInput(int timeoutMs) override {
        if (timeoutMs >= 0) {
            idleRounds_ = 0;
            if (timeoutMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, 1000)));
            return;
        }
        // Nothing can happen any more: no user, no timer, no message. Act as a
        // user who closes the program rather than waiting for ever.
        if (loop_ != MessageLoopEntries()) {
            loop_ = MessageLoopEntries();
            idleRounds_ = 0;
        }
        if (++idleRounds_ == 1) {
            LogLine("no display and nothing left to do: closing the windows");
            for (VKHWND w : TopLevelWindows())
                if (IsVisible(w)) PostMessage(w, kMsgClose, 0, 0);
            return;
        }
        LogLine("no display and the windows stay open: ending the message loop");
        idleRounds_ = 0;
        PostQuitMessage(0);
    }

    bool OpenUrl(const std::string &url) override {
        LogLine("no display to open " + url);
        return false;
    }

private:
    static void SetCheck(VKWindow *d, int32_t templateId, int32_t id, int state) {
        // Clicking as the user would lets the dialog react; three clicks reach
        // any state of a three-state box.
        for (int k = 0; k < 3 && IsDlgButtonChecked(d, id) != state && !IsDialogEnded(d); ++k)
            if (!ClickButton(d, id)) break;
        if (!IsDialogEnded(d) && IsDlgButtonChecked(d, id) != state) {
            LogLine("dialog " + std::to_string(templateId) + ": check box " + std::to_string(id) +
                    " set without a click");
            CheckDlgButton(d, id, state);
        }
    }

    int idleRounds_ = 0;
    uint64_t loop_ = 0;
};

void ReadAnswersFromEnvironment() {
    static bool done = false;
    if (done) return;
    done = true;
    const char *script = std::getenv("VAULTKEEP_ANSWERS");
    if (!script || !*script) return;
    std::u16string error;
    if (!QueueAnswers(text::FromUtf8(script), &error)) LogLine("VAULTKEEP_ANSWERS ignored: " + text::ToUtf8(error));
}

} // namespace

std::unique_ptr<Backend> MakeHeadlessBackend() {
    ReadAnswersFromEnvironment();
    return std::make_unique<HeadlessBackend>();
}

void RecordShown(Shown shown) { Log().push_back(std::move(shown)); }

const std::vector<Shown> &ShownLog() { return Log(); }

void ClearShownLog() { Log().clear(); }

} // namespace vk::ui
