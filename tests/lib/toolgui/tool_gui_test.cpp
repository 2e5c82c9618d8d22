// The tool selection dialog and a tool tree on the Qt renderer (offscreen):
// rendered, clicked through Qt's widgets, and pictured into the build folder
// (screenshots/tool_selection.png, screenshots/tool_tree.png).
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "lib/resources/library_dialogs.h"
#include "lib/services/profile.h"
#include "lib/tools/tool_dialogs.h"
#include "lib/tools/tool_tree_dialogs.h"
#include "platform/ui/qt/qt_backend.h"
#include "platform/ui/treeview.h"
#include "platform/ui/window.h"
#include "tests/lib/tooltree/tool_tree_fixture.h"

namespace vk::test {
namespace {

namespace ui = vk::ui;

void Spin(int ms) {
    QElapsedTimer clock;
    clock.start();
    do {
        ui::PumpMessages();
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (clock.elapsed() < ms);
}

std::string Picture(const char *name) {
    const std::string folder = std::string(VK_BINARY_DIR) + "/screenshots/";
    const std::string mk = "mkdir -p '" + folder + "'";
    if (vk::test::Shell(mk) != 0) return {};
    return folder + name;
}

class QtEnvironment final : public ::testing::Environment {
public:
    void TearDown() override {
        ui::ResetUiState();
        ui::qt::Shutdown();
    }
};
[[maybe_unused]] const auto *const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class ToolGuiTest : public ToolTreeTest {
protected:
    void SetUp() override {
        ToolTreeTest::SetUp();
        if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "vk_lib_toolgui_tests";
        static char *argv[] = {name, nullptr};
        ASSERT_TRUE(ui::qt::Install(argc, argv));
        ASSERT_STREQ(ui::CurrentBackend().Name(), "qt");
    }
    void TearDown() override {
        ToolTreeTest::TearDown();
        Spin(0);
    }
};

TEST_F(ToolGuiTest, SelectionDialogRendersTakesClicksAndTransfers) {
    const std::string demo = ReadFile(std::string(VK_SOURCE_DIR) + "/demo/config/tools.ini");
    const std::u16string tools = Tools(demo);
    BackupJob job = SelectionJob();

    bool shown = false, pictured = false;
    std::string rows;
    QTimer::singleShot(100, [&] {
        VKHWND d = nullptr;
        for (VKHWND w : ui::TopLevelWindows())
            if (ui::GetTemplateId(w) == vk::lib::kDialogToolSelection) d = w;
        ASSERT_NE(d, nullptr);
        QWidget *widget = ui::qt::WidgetOf(d);
        shown = widget && widget->isVisible() && widget->windowTitle() == "Open Hole - Select tools to export";
        VKHWND tree = ui::GetDlgItem(d, vk::lib::kToolSelectionTree);
        // A click on the check box of serial number GR1002 checks it.
        VKTreeItem *item = FindToolInTree(tree, u"GR", u"GR1002");
        ASSERT_NE(item, nullptr);
        ui::TreeEnsureVisible(tree, item);
        Spin(20);
        ui::Rect row;
        ASSERT_TRUE(ui::TreeGetItemRect(tree, item, false, row));
        const int x = (ui::TreeItemDepth(tree, item) + 1) * ui::kTreeIndent + ui::kTreeStateWidth / 2;
        QTest::mouseClick(ui::qt::WidgetOf(tree), Qt::LeftButton, {}, QPoint(x, row.y + ui::kTreeRowHeight / 2));
        Spin(50);
        pictured = vkui_qt_save_screenshot(d, Picture("tool_selection.png").c_str()) == 1;
        auto *ok = dynamic_cast<QPushButton *>(ui::qt::WidgetOf(ui::GetDlgItem(d, ui::kIdOk)));
        ASSERT_NE(ok, nullptr);
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    const int result =
        vk::tools::SelectServiceTools(job, nullptr, u"Open Hole", tmp.ufile("services.ini"), tools, false);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(pictured);
    EXPECT_EQ(result, 1);
    ExpectSelectionOfGr1002(job);
}

TEST_F(ToolGuiTest, ToolTreeWindowShowsTheDemoDatabase) {
    const std::u16string tools = Tools(ReadFile(std::string(VK_SOURCE_DIR) + "/demo/config/tools.ini"));
    NewTree();
    VKHTREEITEM roots[3] = {};
    FillToolTree(tree, tools.c_str(), &roots[0], &roots[1], &roots[2]);
    VKTreeExpandAll(tree);
    VKHWND frame = ui::GetParent(tree);
    ui::ShowWindow(frame, true);
    Spin(50);
    QWidget *widget = ui::qt::WidgetOf(tree);
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(widget->isVisible());
    // The tree lies inside the window: its scroll bar and last rows show.
    QWidget *window = widget->window();
    EXPECT_TRUE(window->rect().contains(widget->geometry())) << widget->geometry().height() << " in "
                                                              << window->height();
    EXPECT_EQ(vkui_qt_save_screenshot(tree, Picture("tool_tree.png").c_str()), 1);
}

// The overwrite question's buttons are as wide as their texts ("Don't
// Overwrite Any" whole), side by side, inside the dialog.
TEST_F(ToolGuiTest, OverwriteQuestionButtonsShowTheirWholeText) {
    bool checked = false, pictured = false;
    QTimer::singleShot(100, [&] {
        VKHWND d = nullptr;
        for (VKHWND w : ui::TopLevelWindows())
            if (ui::GetTemplateId(w) == vk::lib::kDialogToolOverwrite) d = w;
        ASSERT_NE(d, nullptr);
        QWidget *dialog = ui::qt::WidgetOf(d);
        ASSERT_NE(dialog, nullptr);
        std::vector<QPushButton *> shown;
        for (QPushButton *b : dialog->findChildren<QPushButton *>())
            if (b->isVisible()) shown.push_back(b);
        ASSERT_EQ(shown.size(), 4u);
        std::sort(shown.begin(), shown.end(), [](QPushButton *a, QPushButton *b) { return a->x() < b->x(); });
        EXPECT_EQ(shown.back()->text().toStdString(), "Don't Overwrite Any");
        for (size_t i = 0; i < shown.size(); ++i) {
            EXPECT_GE(shown[i]->width(), shown[i]->sizeHint().width()) << shown[i]->text().toStdString();
            if (i > 0) {
                EXPECT_GT(shown[i]->x(), shown[i - 1]->geometry().right()) << shown[i]->text().toStdString();
            }
            EXPECT_LE(shown[i]->geometry().right(), dialog->width()) << shown[i]->text().toStdString();
        }
        pictured = vkui_qt_save_screenshot(d, Picture("tool_overwrite.png").c_str()) == 1;
        checked = true;
        QTest::mouseClick(shown.front(), Qt::LeftButton);
    });
    const int answer = vk::tools::AskToolOverwrite(nullptr, u"Tool GR-GR1001 exists already, overwrite?");
    EXPECT_TRUE(checked);
    EXPECT_TRUE(pictured);
    EXPECT_EQ(answer, vk::tools::kAnswerOverwriteAll);
}

} // namespace
} // namespace vk::test
