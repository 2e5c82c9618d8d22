// The backend in use, and the model side of boxes, file dialogs and help.
#include <cstdio>

#include "platform/fs/fs.h"
#include "platform/text/text.h"
#include "platform/ui/internal.h"
#include "platform/ui/window.h"

namespace vk::ui {

namespace {

std::unique_ptr<Backend> &Slot() {
    static std::unique_ptr<Backend> backend;
    return backend;
}

// Characters a file URL carries as they are; everything else is %-escaped.
bool UrlSafe(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.' || c == '~' || c == '/';
}

std::string Escape(const std::string &s) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (UrlSafe(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

} // namespace

Backend &CurrentBackend() {
    auto &slot = Slot();
    if (!slot) slot = MakeHeadlessBackend();
    return *slot;
}

void InstallBackend(std::unique_ptr<Backend> backend) { Slot() = backend ? std::move(backend) : MakeHeadlessBackend(); }

bool HasDisplay() { return CurrentBackend().HasDisplay(); }

int MessageBox(VKHWND owner, std::u16string_view text, std::u16string_view caption, uint32_t flags) {
    // The owner takes no input while the box is up.
    VKWindow *top = TopLevelOf(Live(owner));
    const bool disable = top && top->enabled;
    if (disable) EnableWindow(top, false);
    const int result = CurrentBackend().MessageBox(top, text, caption, flags);
    if (disable && Live(top)) EnableWindow(top, true);
    return result;
}

bool FileDialog(FileDialogRequest &request) {
    VKWindow *top = TopLevelOf(Live(request.owner));
    const bool disable = top && top->enabled;
    if (disable) EnableWindow(top, false);
    const bool chosen = CurrentBackend().FileDialog(request);
    if (disable && Live(top)) EnableWindow(top, true);
    return chosen;
}

bool OpenUrl(const std::string &url) { return CurrentBackend().OpenUrl(url); }

bool OpenHelp(std::u16string_view htmlPath, std::u16string_view topic) {
    std::string url = "file://" + Escape(text::ToUtf8(htmlPath));
    if (!topic.empty()) url += "#" + Escape(text::ToUtf8(topic));
    if (OpenUrl(url)) return true;
    // No browser: the manual in the program's own window.
    std::string html;
    if (!HasDisplay() || !fs::ReadWhole(htmlPath, html)) return false;
    return ShowTextWindow(u"Help", text::FromUtf8(html), true) != nullptr;
}

void ResetUiState() {
    ResetWindows();
    ResetDialogs();
    ResetMessages();
    ClearAnswers();
    ClearShownLog();
}

} // namespace vk::ui
