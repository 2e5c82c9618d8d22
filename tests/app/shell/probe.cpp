#include "tests/app/shell/probe.h"

#include "app/shell/app_state.h"

namespace vk::test {
namespace {

RunProbe &Probe() {
    static RunProbe probe;
    return probe;
}

int64_t TickingClock() {
    static int64_t now = 0;
    return now += 10;
}

intptr_t ProbeProc(VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    app::AppState &s = app::State();
    RunProbe &p = Probe();
    if (msg == ui::kMsgTimer && s.stopFlag == 0 && !p.fired) {
        p.fired = true;
        p.hostTitle = ui::GetWindowText(s.hostDialog);
        p.hostVisible = ui::IsVisible(s.hostDialog);
        p.mainVisible = ui::IsVisible(s.mainWindow);
        if (p.closeDuringRun) ui::PostMessage(s.mainWindow, ui::kMsgClose, 0, 0);
        return 0;
    }
    return ui::DefWindowProc(w, msg, wparam, lparam);
}

} // namespace

RunProbe &StartRunProbe(bool closeDuringRun) {
    Probe() = RunProbe{};
    Probe().closeDuringRun = closeDuringRun;
    ui::SetClock(&TickingClock);
    VKHWND w = ui::CreateWindowOf(ui::Kind::Window, nullptr, 0, u"probe", {}, 0, &ProbeProc);
    ui::SetTimer(w, 1, 1);
    return Probe();
}

} // namespace vk::test
