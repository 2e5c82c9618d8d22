// Shared set-up of the UI layer tests: a clean model per test and a module
// with a few dialog templates.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/module/resources.h"
#include "platform/ui/treeview.h"
#include "platform/ui/ui.h"

namespace vk::test {

class UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::ResetUiState();
        ui::InstallBackend(nullptr);
    }
    void TearDown() override { ui::ResetUiState(); }
};

// Every message a procedure saw, for assertions on order.
struct Seen {
    VKHWND w;
    uint32_t msg;
    uintptr_t wparam;
    intptr_t lparam;
    uint32_t code = 0; // kMsgNotify: the notification code
    intptr_t param = 0; // kMsgNotify: its parameter
};
std::vector<Seen> &SeenLog();
intptr_t RecordingProc(VKHWND w, uint32_t msg, uintptr_t wparam, intptr_t lparam);

} // namespace vk::test
