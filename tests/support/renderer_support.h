// What the renderer tests share: a module with dialog templates and a state
// image, and a window procedure that records every message it gets and ends
// its dialog on OK, Cancel and Skip, with look-ups of the record.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/module/resources.h"
#include "platform/ui/ui.h"

namespace vk::test {

// Template ids and control ids of TestModule().
enum : int32_t {
    kOptionsDialog = 111, // top-level dialog with one control of every kind
    kPageDialog = 107,    // child page with a check-box tree
    kStateImage = 133,    // four 16x16 frames: white, red, green, blue
    kLabel = 100,
    kEdit = 1003,
    kNotes = 1005, // multi-line edit
    kThree = 1004, // three-state check box
    kRadioA = 1010,
    kRadioB = 1011,
    kGroup = 1020,
    kBar = 1030,
    kTabs = 1040,
    kSkip = 8162,
    kTree = 1065,
};
inline constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

// The renderer tests' module: the two dialogs above and the state image.
const VKModule &TestModule();

struct Seen {
    uint32_t msg;
    uintptr_t wparam;
    intptr_t lparam;
    uint32_t code = 0; // kMsgNotify: the notification code
};
std::vector<Seen> &SeenLog();
bool SawCommand(int32_t id, uint32_t notification = ui::kBnClicked);
bool SawNotify(uint32_t code);
// Records every message; ends the dialog on kIdOk, kIdCancel and kSkip.
intptr_t RecordingProc(VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t lparam);

} // namespace vk::test
