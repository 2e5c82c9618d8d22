#include "app/shell/main_window.h"

#include "app/shell/app_state.h"
#include "app/shell/settings.h"

namespace vk::app {
namespace {

// The size the main window is created with before it is fitted.
constexpr ui::Rect kDefaultRect = {0, 0, 640, 480};

// True when the window lies in a dialog (the only input the filter looks at).
bool InDialog(VKHWND w) {
    for (; w; w = ui::GetParent(w))
        if (ui::GetKind(w) == ui::Kind::Dialog) return true;
    return false;
}

bool PassOn(VKHWND target, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    const ui::MessageFilter next = State().previousFilter;
    return next ? next(target, msg, wparam, lparam) : false;
}

// The user message an Alt+letter stands for, 0 for none.
uint32_t AltMessage(uintptr_t ch) {
    switch (ch) {
    case 'B': case 'b': return kMsgAltB;
    case 'R': case 'r': return kMsgAltR;
    case 'C': case 'c': return kMsgFocusTab0;
    case 'O': case 'o': return kMsgFocusTab1;
    case 'E': case 'e': return kMsgFocusTab2;
    default: return 0;
    }
}

} // namespace

VKHWND CreateMainWindow() {
    AppState &s = State();
    return ui::CreateWindowOf(ui::Kind::Window, nullptr, 0, s.title, kDefaultRect, 0, &MainWindowProc);
}

intptr_t MainWindowProc(VKHWND window, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case ui::kMsgDestroy:
        ui::PostQuitMessage(0);
        return 0;
    case ui::kMsgSize:
        FitMainWindow();
        return 0;
    case ui::kMsgClose:
        if (CloseCheck()) ui::DestroyWindow(window);
        return 0;
    case kMsgOpenHelp:
        OpenPageHelp();
        return 0;
    case kMsgFocusTab0:
    case kMsgFocusTab1:
    case kMsgFocusTab2:
        ui::TabSetCurFocus(State().tab, static_cast<int>(msg - kMsgFocusTab0));
        return 0;
    case kMsgAltB:
    case kMsgAltR:
        // The tab whose text marks the letter ("&Backup") is selected and
        // takes the focus; without one the key does nothing.
        if (const int index = ui::TabFindMnemonic(State().tab, msg == kMsgAltB ? u'b' : u'r'); index >= 0) {
            ui::TabSetCurFocus(State().tab, index);
            ui::SetFocus(State().tab);
        }
        return 0;
    default:
        return ui::DefWindowProc(window, msg, wparam, lparam);
    }
}

void FitMainWindow() {
    AppState &s = State();
    if (!ui::IsWindow(s.mainWindow) || !ui::IsWindow(s.hostDialog)) return;
    const ui::Rect dialog = ui::GetWindowRect(s.hostDialog);
    const int w = dialog.w + 2 * ui::SystemMetric(ui::Metric::BorderWidth);
    const int h = dialog.h + 5 * ui::SystemMetric(ui::Metric::BorderHeight) +
                  ui::SystemMetric(ui::Metric::CaptionHeight);
    ui::MoveWindow(s.mainWindow, {0, 0, w, h}, true);
}

bool CloseCheck() {
    AppState &s = State();
    if (!s.hostDialog) return true;
    if (s.stopFlag == 0) {
        const int answer = ui::MessageBox(s.mainWindow, u"Terminate Process?", AppText(3021),
                                          ui::kMbYesNo | ui::kMbIconWarning);
        if (answer == ui::kIdYes) {
            s.stopFlag = 1;
            s.keepOpen = 1;
        }
        return false;
    }
    FreeItemLists(ProgramItemLists());
    return true;
}

std::u16string HelpTopic(int context) {
    switch (context) {
    case kHelpBackupPage: return u"backup-page";
    default: return {};
    }
}

bool OpenPageHelp() {
    // The page shown has its own topic.
    const AppState &s = State();
    if (s.restorePage && s.currentPage == s.restorePage) return ui::OpenHelp(s.helpPath, u"restore-page");
    return ui::OpenHelp(s.helpPath, HelpTopic(kHelpBackupPage));
}

bool HelpFilter(VKHWND target, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    if (!InDialog(target)) return PassOn(target, msg, wparam, lparam);
    if (msg == ui::kMsgKeyDown && wparam == ui::kKeyF1) {
        ui::PostMessage(State().mainWindow, kMsgOpenHelp, 0, 0);
        return PassOn(target, msg, wparam, lparam);
    }
    if (msg == ui::kMsgSysChar) {
        if (const uint32_t user = AltMessage(wparam)) {
            ui::PostMessage(State().mainWindow, user, 0, 0);
            return true;
        }
    }
    return PassOn(target, msg, wparam, lparam);
}

void InstallHelpFilter() {
    AppState &s = State();
    if (s.filterInstalled) return;
    s.previousFilter = ui::SetMessageFilter(&HelpFilter);
    s.filterInstalled = true;
}

void RemoveHelpFilter() {
    AppState &s = State();
    if (!s.filterInstalled) return;
    ui::SetMessageFilter(s.previousFilter);
    s.previousFilter = nullptr;
    s.filterInstalled = false;
}

} // namespace vk::app
