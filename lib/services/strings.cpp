// LMGetString and LMSetDialogText.
#include "lib/services/strings.h"

#include <atomic>
#include <string_view>

#include "common/format.h"
#include "common/string_copy.h"
#include "platform/module/resources.h"
#include "platform/ui/ui.h"

namespace {

char16_t g_ring[vk::lib::kStringRingSlots][vk::lib::kStringSlotChars];
std::atomic<size_t> g_ringIndex{0};
std::atomic<bool> g_missingReported{false};
const char16_t g_empty[1] = {0};

// The next slot of the ring; the index advances on every call.
char16_t *NextSlot() {
    size_t current = g_ringIndex.load();
    size_t next;
    do {
        next = current + 1 == vk::lib::kStringRingSlots ? 0 : current + 1;
    } while (!g_ringIndex.compare_exchange_weak(current, next));
    return g_ring[next];
}

} // namespace

namespace vk::lib {

void ResetMissingStringReport() { g_missingReported.store(false); }

} // namespace vk::lib

const char16_t *LMGetString(VKHMODULE module, uint32_t id) {
    char16_t *slot = NextSlot();
    if (id == 0) return g_empty;
    slot[0] = 0;
    std::u16string_view text;
    if (vk::module::LoadString(module, id, text)) {
        vk::CopyBounded(slot, vk::lib::kStringLoadChars, text);
        return slot;
    }
    if (!g_missingReported.exchange(true)) {
        vk::FormatBounded(slot, vk::lib::kStringLoadChars, u"String %d not found\n\n", static_cast<int>(id));
        vk::ui::MessageBox(nullptr, slot, vk::lib::kMissingStringCaption, vk::ui::kMbOk | vk::ui::kMbSystemModal);
        vk::CopyBounded(slot, vk::lib::kStringLoadChars, u"Missing");
    }
    return slot;
}

void LMSetDialogText(VKHMODULE module, VKHWND dialog, uint32_t titleId, const int32_t *pairs) {
    if (!dialog) return;
    if (titleId != 0) vk::ui::SetWindowText(dialog, LMGetString(module, titleId));
    if (!pairs) return;
    for (const int32_t *p = pairs; p[0] > 0; p += 2)
        vk::ui::SetDlgItemText(dialog, p[0], LMGetString(module, static_cast<uint32_t>(p[1])));
}
