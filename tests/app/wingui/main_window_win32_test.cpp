// The program's main window on the Windows renderer, loaded the way the
// program loads it, over the demo installation: real controls show the
// model, a click on a real check box of the file tree changes the selection,
// Begin runs a backup, a click on the Restore tab shows the restore page with
// an archive's contents, and pictures of the views are taken (PicturePath).
#include <gtest/gtest.h>

#include "app/resources/app_dialogs.h"
#include "app/shell/app_state.h"
#include "app/shell/display.h"
#include "app/shell/restore_page.h"
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
    EXPECT_EQ(::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 2); // Backup and Restore
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
    EXPECT_EQ(ui::win32::TextOf(SystemControl(State().mainDialog, kStatusLine)).rfind(u"Backup completed:", 0), 0u);
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

TEST_F(MainWindowWin32, TheRestoreTabShowsAnArchiveAndItsPicture) {
    TempFolder tmp;
    const std::string archive = tmp.file("screens.conf.vkb");
    BackupJob *job = VKBackupInit(nullptr, VKF_OVERWRITE, 0, U(archive).c_str(), u".conf.vkb", nullptr, nullptr,
                                  u"-Comment 'Before the field trip'");
    ASSERT_NE(job, nullptr);
    for (const char *f : {"config/units.ini", "config/hotkeys.ini", "format/calib.prs", "format/perf.prs",
                          "config/WProperties.ini"})
        VKBackup(job, VK_ITEM_FILE, 0, 0, nullptr, nullptr, U(DemoRoot() + f).c_str());
    ASSERT_NE(VKBackupClose(job), 0);

    // A real click on the second tab of the system tab control.
    HWND tab = SystemControl(State().mainDialog, kMainTab);
    ASSERT_NE(tab, nullptr);
    RECT r{};
    ASSERT_TRUE(::SendMessageW(tab, TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r)));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ::SendMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageW(tab, WM_LBUTTONUP, 0, at);
    SpinWin32(50);
    VKHWND page = State().restorePage;
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(::IsWindowVisible(SystemWindow(page)));
    EXPECT_FALSE(::IsWindowVisible(SystemWindow(Page())));
    ASSERT_TRUE(ChooseRestoreArchive(page, U(archive)));
    SpinWin32(50);
    const std::u16string summary = ui::win32::TextOf(SystemControl(page, kRestoreSummary));
    EXPECT_NE(summary.find(u"Comment: Before the field trip"), std::u16string::npos) << N(summary);
    const std::string picture = PicturePath("vaultkeep-win32-restore-page.png");
    ASSERT_EQ(vkui_win32_save_screenshot(State().mainWindow, picture.c_str()), 1);
    EXPECT_TRUE(IsPicture(picture));
}

} // namespace
