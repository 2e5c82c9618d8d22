// Shared set-up of the Qt renderer's smoke tests: the Qt backend installed
// once per process (offscreen), a clean model per test, a module with dialog
// templates and a state image, and a procedure that records what it sees.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>

#include <vector>

#include "platform/module/resources.h"
#include "platform/ui/treeview.h"
#include "platform/ui/ui.h"

namespace vk::test {

class QtTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;
};

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

// The widget of control `id` of `dialog`, as T (null when missing or not T).
template <typename T>
T *Control(VKHWND dialog, int32_t id);

// Installs the Qt backend (offscreen unless QT_QPA_PLATFORM says otherwise).
bool InstallQt();

// Lets Qt and the model run for a while.
void Spin(int ms);

} // namespace vk::test

#include "platform/ui/qt/qt_backend.h"

template <typename T>
T *vk::test::Control(VKHWND dialog, int32_t id) {
    return dynamic_cast<T *>(ui::qt::WidgetOf(ui::GetDlgItem(dialog, id)));
}
