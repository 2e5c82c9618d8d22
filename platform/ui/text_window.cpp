// The program's own text window, for help and reports when no desktop viewer
// can be started.
#include <algorithm>

#include "platform/ui/ui.h"

namespace vk::ui {
namespace {

// The edit fills the frame's client area: the frame less its caption and
// borders.
Rect ClientOf(Rect frame) {
    return {0, 0, std::max(1, frame.w - 2 * SystemMetric(Metric::BorderWidth)),
            std::max(1, frame.h - SystemMetric(Metric::CaptionHeight) - 2 * SystemMetric(Metric::BorderHeight))};
}

intptr_t TextFrameProc(VKHWND frame, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == kMsgSize) {
        if (VKHWND edit = GetDlgItem(frame, kTextWindowEdit)) {
            const Rect r = GetWindowRect(frame);
            const Rect client = ClientOf(r);
            MoveWindow(edit, {r.x, r.y, client.w, client.h}, true);
        }
        return 0;
    }
    return DefWindowProc(frame, msg, wparam, lparam);
}

} // namespace

VKHWND ShowTextWindow(std::u16string_view title, std::u16string_view text, bool html) {
    const Rect area = WorkArea();
    const Rect r{area.x + 40, area.y + 40, std::min(720, std::max(320, area.w - 80)),
                 std::min(560, std::max(240, area.h - 80))};
    VKHWND frame = CreateWindowOf(Kind::Window, nullptr, 0, title, r, kStyleResizable, &TextFrameProc);
    if (!frame) return nullptr;
    const uint32_t style = kStyleVisible | kStyleMultiline | kStyleReadOnly | (html ? kStyleRichText : 0u);
    if (!CreateWindowOf(Kind::Edit, frame, kTextWindowEdit, text, ClientOf(r), style)) {
        DestroyWindow(frame);
        return nullptr;
    }
    ShowWindow(frame, true);
    return frame;
}

} // namespace vk::ui
