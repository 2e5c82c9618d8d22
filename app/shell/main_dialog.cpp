#include "app/shell/main_dialog.h"

#include "app/resources/app_dialogs.h"
#include "app/shell/app_state.h"
#include "app/shell/backup_page.h"
#include "app/shell/backup_run.h"
#include "app/shell/restore_page.h"
#include "app/shell/run_steps.h"

namespace vk::app {
namespace {

void SetUp(VKHWND dialog) {
    AppState &s = State();
    const int32_t texts[] = {kStatusLine, 3078, kBeginButton, 4763, kCloseButton, 8, 0};
    LMSetDialogText(s.instance, dialog, 0, texts);

    s.mainDialog = dialog;
    s.hostDialog = dialog;
    s.tab = ui::GetDlgItem(dialog, kMainTab);
    s.beginButton = ui::GetDlgItem(dialog, kBeginButton);
    s.progressBar = ui::GetDlgItem(dialog, kProgressBar);

    // One tab, a third of the control's width less a caption height wide.
    const int caption = ui::SystemMetric(ui::Metric::CaptionHeight);
    ui::TabSetItemSize(s.tab, (ui::GetWindowRect(s.tab).w - caption) / 3, caption);
    ui::TabInsertItem(s.tab, 0, AppText(3052));
    ui::TabInsertItem(s.tab, 1, AppText(8217));

    ui::ProgressSetRange(s.progressBar, 0, 100);
    ui::ProgressSetPos(s.progressBar, 0);
    SetStatus(s.idleText);

    CreateBackupPage(dialog);
    // The restore page waits hidden behind the second tab.
    if (VKHWND restore = CreateRestorePage(dialog)) ui::ShowWindow(restore, false);
}

// The page of the selected tab is shown, the other hidden.
void ShowSelectedPage() {
    AppState &s = State();
    const bool restore = ui::TabGetCurSel(s.tab) == 1 && s.restorePage;
    s.currentPage = restore ? s.restorePage : s.backupPage;
    ui::ShowWindow(s.backupPage, !restore);
    if (s.restorePage) ui::ShowWindow(s.restorePage, restore);
}

} // namespace

VKHWND CreateMainDialog(VKHWND mainWindow) {
    AppState &s = State();
    VKHWND dialog = ui::CreateDialog(s.instance, kDialogMain, mainWindow, &MainDialogProc, 0);
    if (dialog) s.currentPage = s.backupPage;
    return dialog;
}

intptr_t MainDialogProc(VKHWND dialog, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case ui::kMsgInitDialog:
        SetUp(dialog);
        return 1;
    case ui::kMsgCommand:
        // The whole parameter: only a click (notification 0) acts.
        if (wparam == static_cast<uintptr_t>(kBeginButton)) {
            if (State().currentPage && State().currentPage == State().restorePage)
                RunRestorePage(State().restorePage);
            else
                RunConfigBackup(State().backupPage, false, nullptr);
            return 1;
        }
        if (wparam == static_cast<uintptr_t>(kCloseButton)) {
            ui::SendMessage(State().mainWindow, ui::kMsgClose, 0, 0);
            return 1;
        }
        return 0;
    case ui::kMsgNotify: {
        const auto *n = reinterpret_cast<const ui::Notify *>(lparam);
        if (n && n->id == kMainTab && n->code == ui::kTcnSelChange) {
            ShowSelectedPage();
            return 1;
        }
        return 0;
    }
    default:
        return 0;
    }
}

} // namespace vk::app
