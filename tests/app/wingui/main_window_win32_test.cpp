// The program's main window on the Windows renderer, loaded the way the
// program loads it, over the demo installation: real controls show the
// model, a click on a real check box of the file tree changes the selection,
// Begin runs a backup, and pictures of both views are taken (PicturePath).
#include <gtest/gtest.h>

#include "app/resources/app_dialogs.h"
#include "app/shell/app_state.h"
#include "app/shell/display.h"
#include "platform/ui/win32/win32_backend.h"
#include "tests/app/shell/shell_fixture.h"
#include "tests/support/test_support.h"
#include "tests/support/win32/win32_ui_support.h"

using namespace vk::app;
using namespace vk::test;
namespace ui = vk::ui;

namespace {

class MainWindowWin32 : public ShellTest {
protected:
    static void TearDownTestSuite() {
        ui::ResetUiState();
        ShutdownDisplayBackend();
    }
    void SetUp() override {
        ShellTest::SetUp();
        if (!InstallDisplayBackend()) GTEST_SKIP() << "no window station or display to draw on";
        ASSERT_STREQ(ui::CurrentBackend().Name(), "win32");
        ASSERT_EQ(Start(""), StartUpResult::Ready);
        SpinWin32(50);
    }
    VKHWND Page() const { return State().backupPage; }
    VKHWND Tree() const { return ui::GetDlgItem(Page(), kFileTree); }
};

TEST_F(MainWindowWin32, TheWindowIsASystemWindowWithItsTabAndPage) {
    HWND main = SystemWindow(State().mainWindow);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(::IsWindowVisible(main));
    EXPECT_EQ(ui::win32::TextOf(main), u"Talvern Backup from Version 7");
    HWND tab = SystemControl(State().mainDialog, kMainTab);
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_TRUE(::IsWindowVisible(SystemWindow(Page())));
    EXPECT_EQ(ui::win32::TextOf(SystemControl(Page(), kArchiveEdit)), ui::GetDlgItemText(Page(), kArchiveEdit));
    EXPECT_EQ(ui::win32::TextOf(SystemControl(State().mainDialog, kStatusLine)),
              ui::GetDlgItemText(State().mainDialog, kStatusLine));
}

TEST_F(MainWindowWin32, RealClicksChooseFilesAndRunTheBackup) {
    ClickSystemButton(Page(), kAdvancedButton);
    SpinWin32(20);
    ASSERT_TRUE(::IsWindowVisible(SystemWindow(Tree())));
    // The first file leaf of the tree: checked by a click on its real check box.
    VKTreeItem *leaf = ui::TreeGetNext(Tree(), nullptr, ui::TreeNext::Root);
    while (leaf && ui::TreeGetNext(Tree(), leaf, ui::TreeNext::Child)) leaf = ui::TreeGetNext(Tree(), leaf, ui::TreeNext::Child);
    ASSERT_NE(leaf, nullptr);
    ui::TreeItemData before;
    ASSERT_TRUE(ui::TreeGetItem(Tree(), leaf, before));
    ASSERT_TRUE(ClickStateImage(Tree(), leaf));
    ui::TreeItemData after;
    ASSERT_TRUE(ui::TreeGetItem(Tree(), leaf, after));
    EXPECT_EQ(after.state, before.state == 2 ? 1 : 2);

    TempFolder tmp;
    ::SetWindowTextW(SystemControl(Page(), kArchiveEdit),
                     reinterpret_cast<const wchar_t *>(tmp.ufile("typed").c_str()));
    EXPECT_EQ(ui::GetDlgItemText(Page(), kArchiveEdit), tmp.ufile("typed"));
    ClickSystemButton(State().mainDialog, kBeginButton);
    SpinWin32(20);
    EXPECT_EQ(ui::win32::TextOf(SystemControl(State().mainDialog, kStatusLine)), u"Backup completed");
    EXPECT_TRUE(FileExists(tmp.file("typed.conf.vkb")));
}

TEST_F(MainWindowWin32, PicturesOfTheNormalAndAdvancedViews) {
    const std::string normal = PicturePath("vaultkeep-win32-backup-page.png");
    const std::string advanced = PicturePath("vaultkeep-win32-advanced.png");
    ASSERT_EQ(vkui_win32_save_screenshot(State().mainWindow, normal.c_str()), 1);
    ClickSystemButton(Page(), kAdvancedButton);
    SpinWin32(50);
    ASSERT_EQ(vkui_win32_save_screenshot(State().mainWindow, advanced.c_str()), 1);
    EXPECT_TRUE(IsPicture(normal));
    EXPECT_TRUE(IsPicture(advanced));
    EXPECT_NE(ReadFile(normal), ReadFile(advanced));
}

} // namespace
