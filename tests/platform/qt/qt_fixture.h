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
#include "tests/support/renderer_support.h"

namespace vk::test {

class QtTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;
};


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
