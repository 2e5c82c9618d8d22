#include "app/shell/run_steps.h"

#include "app/resources/app_dialogs.h"
#include "app/shell/app_state.h"
#include "platform/ui/ui.h"

namespace vk::app {

void SetStatus(std::u16string_view text) { ui::SetDlgItemText(State().hostDialog, kStatusLine, text); }

void SetProgress(int position) { ui::ProgressSetPos(State().progressBar, position); }

void BusyCursor(bool on) {
    if (on) ui::BeginWaitCursor();
    else ui::EndWaitCursor();
}

void RunStart() {
    AppState &s = State();
    s.keepOpen = 0;
    s.stopFlag = 0;
    ui::EnableWindow(s.beginButton, false);
    BusyCursor(true);
}

void RunEnd() {
    AppState &s = State();
    s.stopFlag = 1;
    ui::EnableWindow(s.beginButton, true);
    BusyCursor(false);
}

void PumpWaitingMessages() { ui::PumpMessages(); }

} // namespace vk::app
