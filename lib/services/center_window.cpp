#include "lib/services/center_window.h"

#include "platform/ui/ui.h"

namespace vk::lib {

void CenterWindowOver(VKHWND reference, VKHWND window) {
    if (!window) return;
    const ui::Rect screen = ui::WorkArea();
    const ui::Rect ref = reference ? ui::GetWindowRect(reference) : screen;
    const ui::Rect own = ui::GetWindowRect(window);
    int left = ref.x + (ref.w - own.w) / 2;
    int top = ref.y + (ref.h - own.h) / 2;
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (left + own.w > screen.w) left = screen.w - own.w;
    if (top + own.h > screen.h) top = screen.h - own.h;
    ui::MoveWindow(window, ui::Rect{left, top, own.w, own.h}, false);
}

} // namespace vk::lib
