#include "app/shell/progress_dialog.h"

#include "app/resources/app_dialogs.h"
#include "app/shell/app_state.h"

namespace vk::app {

intptr_t RunProgressProc(VKHWND dialog, uint32_t msg, uintptr_t /*wparam*/, intptr_t /*lparam*/) {
    switch (msg) {
    case ui::kMsgInitDialog:
        ui::SetWindowText(dialog, AppText(State().runMode == kRunConfigBackup ? 6109 : 6110));
        ui::ProgressSetRange(ui::GetDlgItem(dialog, kProgressBar), 0, 100);
        return 1;
    case ui::kMsgClose:
        return 1; // no close box: the run ends it
    case ui::kMsgCommand:
        return 1; // neither Enter nor Escape ends it
    default:
        return 0;
    }
}

VKHWND OpenRunProgress() {
    AppState &s = State();
    VKHWND dialog = ui::CreateDialog(s.instance, kDialogRunProgress, nullptr, &RunProgressProc, 0);
    if (!dialog) return nullptr;
    s.hostDialog = dialog;
    s.progressBar = ui::GetDlgItem(dialog, kProgressBar);
    return dialog;
}

void CloseRunProgress(VKHWND dialog) {
    AppState &s = State();
    if (!dialog) return;
    ui::DestroyWindow(dialog);
    s.hostDialog = s.mainDialog;
    s.progressBar = ui::GetDlgItem(s.mainDialog, kProgressBar);
}

} // namespace vk::app
