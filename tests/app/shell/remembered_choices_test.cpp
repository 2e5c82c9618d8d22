// Choices the program keeps between runs: the backup page's starting folder,
// the tree's last selection, and the comment that goes into the archive.
#include <gtest/gtest.h>

#include "app/resources/app_dialogs.h"
#include "app/shell/app_state.h"
#include "app/shell/backup_page.h"
#include "app/shell/remembered_choices.h"
#include "app/tree/tree_items.h"
#include "platform/ini/ini.h"
#include "platform/ui/treeview.h"
#include "tests/app/shell/shell_fixture.h"
#include "tests/support/test_support.h"

using namespace vk::app;
using namespace vk::test;
namespace ui = vk::ui;

namespace {

VKHWND Tree() { return ui::GetDlgItem(State().backupPage, kFileTree); }

int CheckOf(const std::string &relative) {
    VKTreeItem *item = SelectItemByPath(Tree(), U(DemoRoot() + relative));
    return item ? GetCheck(Tree(), item) : 0;
}

} // namespace

TEST_F(ShellTest, TheCommentGoesIntoTheArchive) {
    TempFolder tmp;
    ASSERT_EQ(Start(""), StartUpResult::Ready);
    EXPECT_TRUE(ui::IsEnabled(ui::GetDlgItem(State().backupPage, kCommentEdit)));
    ui::EnterText(State().backupPage, kCommentEdit, u"Before the field trip");
    ui::EnterText(State().backupPage, kArchiveEdit, U(tmp.file("commented")));
    ui::ClickButton(State().mainDialog, kBeginButton);
    std::string why;
    ASSERT_EQ(Shell("unzip -p " + Quote(tmp.file("commented.conf.vkb")) + " Backup.why", &why), 0);
    EXPECT_NE(why.find("[Comment]\r\n1=Before the field trip"), std::string::npos) << why;
}

TEST_F(ShellTest, TheTreeKeepsTheLastSelectionBetweenRuns) {
    TempFolder tmp;
    ASSERT_EQ(Start(""), StartUpResult::Ready);
    ASSERT_EQ(CheckOf("config/units.ini"), kChecked);
    ASSERT_EQ(CheckOf("format/calib.prs"), kChecked);
    SetCheck(Tree(), SelectItemByPath(Tree(), U(DemoRoot() + "config/units.ini")), kUnchecked);
    ui::EnterText(State().backupPage, kArchiveEdit, U(tmp.file("picked")));
    ui::ClickButton(State().mainDialog, kBeginButton);
    vk::ini::Flush(nullptr);
    const std::vector<std::u16string> kept = ReadBackupSelection(State().settingsPath);
    EXPECT_FALSE(kept.empty());
    for (const std::u16string &f : kept) EXPECT_EQ(N(f).find("units.ini"), std::string::npos);

    // The next start offers the same selection; Defaults brings the default back.
    CleanUp();
    ui::ResetUiState();
    ResetState();
    ASSERT_EQ(Start(""), StartUpResult::Ready);
    EXPECT_EQ(CheckOf("config/units.ini"), kUnchecked);
    EXPECT_EQ(CheckOf("format/calib.prs"), kChecked);
    EXPECT_EQ(CheckedFiles(Tree()).size(), kept.size());
    ApplyPageDefaults(State().backupPage); // "Configuration Backup Defaults"
    EXPECT_EQ(CheckOf("config/units.ini"), kChecked);

    // A kept selection of which nothing is in the tree leaves the tree alone.
    EXPECT_FALSE(ApplyBackupSelection(Tree(), {u"/nowhere/a.ini"}));
    EXPECT_EQ(CheckOf("config/units.ini"), kChecked);
}

TEST_F(ShellTest, BackUpToStartsInTheFolderOfTheLastArchive) {
    TempFolder tmp;
    ASSERT_EQ(Start(""), StartUpResult::Ready);
    const std::u16string props = State().hostPropertiesPath;
    ASSERT_TRUE(vk::ini::WriteString(u"Backup", u"ConfigTo", U(tmp.file("last.conf.vkb")).c_str(), props.c_str()));
    EXPECT_EQ(N(StartingBackupFolder(props.c_str(), u"/elsewhere")), tmp.path());
    CleanUp();
    ui::ResetUiState();
    ResetState();
    ASSERT_EQ(Start(""), StartUpResult::Ready);
    EXPECT_EQ(N(ui::GetDlgItemText(State().backupPage, kArchiveEdit)).rfind(tmp.path() + "tal7cfg", 0), 0u);
    // A last archive whose folder is gone: the remembered BackupTo.
    ASSERT_TRUE(vk::ini::WriteString(u"Backup", u"ConfigTo", u"/gone/x.conf.vkb", props.c_str()));
    EXPECT_EQ(N(StartingBackupFolder(props.c_str(), u"/elsewhere")), "/elsewhere/");
    ASSERT_TRUE(vk::ini::WriteString(u"Backup", u"ConfigTo", nullptr, props.c_str()));
}
