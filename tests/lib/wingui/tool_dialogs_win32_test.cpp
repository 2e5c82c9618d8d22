// The tool selection dialog (111), the overwrite question (109) and a tool
// tree window on the Windows renderer: real dialogs whose real controls are
// clicked, with the model read back, and pictured (PicturePath).
#include <gtest/gtest.h>

#include <functional>

#include "lib/resources/library_dialogs.h"
#include "lib/tools/tool_tree_dialogs.h"
#include "platform/ui/win32/win32_backend.h"
#include "platform/ui/window.h"
#include "tests/lib/tooltree/tool_tree_fixture.h"
#include "tests/support/win32/win32_ui_support.h"

namespace vk::test {
namespace {

namespace ui = vk::ui;

class Win32Environment final : public ::testing::Environment {
public:
    void TearDown() override {
        ui::ResetUiState();
        ui::win32::Shutdown();
    }
};
[[maybe_unused]] const auto *const kEnvironment = ::testing::AddGlobalTestEnvironment(new Win32Environment);

class ToolDialogsWin32 : public ToolTreeTest {
protected:
    void SetUp() override {
        ToolTreeTest::SetUp();
        if (!ui::win32::Install()) GTEST_SKIP() << "no window station or display to draw on";
    }
};

VKHWND TopLevelDialog(int32_t templateId) {
    for (VKHWND w : ui::TopLevelWindows())
        if (ui::GetTemplateId(w) == templateId && ui::IsVisible(w)) return w;
    return nullptr;
}

// Runs `act` on the dialog of template `id` once it is shown, from a system
// timer that the modal loop serves (it waits while the dialog is still being
// built, however slow the machine).
struct Pending {
    int32_t id = 0;
    std::function<void(VKHWND)> act;
};

Pending &ThePending() {
    static Pending pending;
    return pending;
}

void CALLBACK RunPending(HWND, UINT, UINT_PTR timer, DWORD) {
    Pending &p = ThePending();
    VKHWND d = TopLevelDialog(p.id);
    if (!d || !p.act) return;
    ::KillTimer(nullptr, timer);
    auto act = std::move(p.act);
    p.act = nullptr;
    act(d);
}

void WhileModal(int32_t id, std::function<void(VKHWND)> act) {
    ThePending() = Pending{id, std::move(act)};
    ::SetTimer(nullptr, 0, 100, &RunPending);
}

TEST_F(ToolDialogsWin32, SelectionDialogIsARealDialogWhoseTreeTakesClicks) {
    const std::u16string tools = Tools(ReadFile(std::string(VK_SOURCE_DIR) + "/demo/config/tools.ini"));
    BackupJob job = SelectionJob();

    bool shown = false, clicked = false, pictured = false;
    int stateAfter = 0;
    const std::string picture = PicturePath("vaultkeep-win32-tool-selection.png");
    WhileModal(vk::lib::kDialogToolSelection, [&](VKHWND d) {
        HWND frame = SystemWindow(d);
        shown = frame && ::IsWindowVisible(frame) &&
                ui::win32::TextOf(frame) == u"Open Hole - Select tools to export";
        VKHWND tree = ui::GetDlgItem(d, vk::lib::kToolSelectionTree);
        // The dialog is always closed, so a failure here cannot hang the test.
        if (VKTreeItem *item = FindToolInTree(tree, u"GR", u"GR1002")) {
            clicked = ClickStateImage(tree, item);
            ui::TreeItemData data;
            ui::TreeGetItem(tree, item, data);
            stateAfter = data.state;
        }
        SpinWin32(50);
        pictured = vkui_win32_save_screenshot(d, picture.c_str()) == 1;
        ClickSystemButton(d, ui::kIdOk);
    });
    const int result =
        vk::tools::SelectServiceTools(job, nullptr, u"Open Hole", tmp.ufile("services.ini"), tools, false);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(clicked);
    EXPECT_EQ(stateAfter, 2);
    EXPECT_TRUE(pictured);
    EXPECT_TRUE(IsPicture(picture));
    EXPECT_EQ(result, 1);
    ExpectSelectionOfGr1002(job);
}

TEST_F(ToolDialogsWin32, OverwriteQuestionAnswersWithTheRealButtonPressed) {
    const std::string picture = PicturePath("vaultkeep-win32-overwrite.png");
    bool pictured = false;
    WhileModal(vk::lib::kDialogToolOverwrite, [&](VKHWND d) {
        SpinWin32(200);
        pictured = vkui_win32_save_screenshot(d, picture.c_str()) == 1;
        ClickSystemButton(d, 104); // Don't Overwrite Any
    });
    // Over an owner window, as the restore asks it.
    VKHWND owner = ui::CreateWindowOf(ui::Kind::Window, nullptr, 0, u"Restore", {60, 60, 560, 220},
                                      ui::kStyleVisible, nullptr);
    SpinWin32(50);
    EXPECT_EQ(vk::tools::AskToolOverwrite(owner, u"Tool GR, serial number GR1001, is already installed."), 104);
    EXPECT_TRUE(ui::IsEnabled(owner));
    EXPECT_TRUE(pictured);
    EXPECT_TRUE(IsPicture(picture));
}

TEST_F(ToolDialogsWin32, ToolTreeWindowIsARealTreeView) {
    const std::u16string tools = Tools(ReadFile(std::string(VK_SOURCE_DIR) + "/demo/config/tools.ini"));
    NewTree();
    VKHTREEITEM roots[3] = {};
    FillToolTree(tree, tools.c_str(), &roots[0], &roots[1], &roots[2]);
    VKTreeExpandAll(tree);
    ui::ShowWindow(ui::GetParent(tree), true);
    SpinWin32(50);
    HWND h = SystemWindow(tree);
    ASSERT_NE(h, nullptr);
    ui::win32::FlushTrees();
    EXPECT_EQ(static_cast<size_t>(::SendMessageW(h, TVM_GETCOUNT, 0, 0)), Count(tree));
    EXPECT_NE(::SendMessageW(h, TVM_GETIMAGELIST, TVSIL_NORMAL, 0), 0); // the kind images
    // FindToolInTree selects in the model; the control shows the same caret.
    VKHTREEITEM found = FindToolInTree(tree, u"GR", u"GR1002");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(reinterpret_cast<HTREEITEM>(::SendMessageW(h, TVM_GETNEXTITEM, TVGN_CARET, 0)), ShownItem(tree, found));
    const std::string picture = PicturePath("vaultkeep-win32-tool-tree.png");
    EXPECT_EQ(vkui_win32_save_screenshot(tree, picture.c_str()), 1);
    EXPECT_TRUE(IsPicture(picture));
}

} // namespace
} // namespace vk::test
