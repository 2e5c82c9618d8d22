// A backup in which items failed: the status names how many and the report,
// the program's result says so, and an interactive run asks before it writes
// over an existing archive.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/resources/app_dialogs.h"
#include "app/shell/app_state.h"
#include "app/shell/backup_page.h"
#include "tests/app/shell/shell_fixture.h"
#include "tests/support/test_support.h"

using namespace vk::app;
using namespace vk::test;
namespace ui = vk::ui;

namespace {

// A checked file of the default choice that cannot be copied: a link to a
// file that is gone. Removed again at the end of the test.
struct BrokenConfigFile {
    std::string path = DemoRoot() + "config/broken.ini";
    BrokenConfigFile() { std::filesystem::create_symlink(DemoRoot() + "config/gone.ini", path); }
    ~BrokenConfigFile() { std::filesystem::remove(path); }
};

std::string Status() { return N(ui::GetDlgItemText(State().hostDialog, kStatusLine)); }

} // namespace

TEST_F(ShellTest, AFailedItemIsCountedAndTheUserKeepsTheOldArchive) {
    BrokenConfigFile broken;
    TempFolder tmp;
    const std::string archive = tmp.file("kept.conf.vkb");
    WriteFile(archive, "the previous archive");
    ASSERT_EQ(Start(""), StartUpResult::Ready);
    ui::EnterText(State().backupPage, kArchiveEdit, U(archive));

    // Replace the existing archive; then No to writing an incomplete backup.
    ui::QueueAnswers(u"dialog:7; box(incomplete):No");
    ui::ClickButton(State().mainDialog, kBeginButton);
    bool asked = false;
    for (const std::string &box : Boxes()) asked = asked || box.find("1 items could not be backed up") == 0;
    EXPECT_TRUE(asked);
    EXPECT_EQ(Status(), "Backup canceled");
    EXPECT_EQ(ReadFile(archive), "the previous archive");
    EXPECT_EQ(State().failedItems, 1);

    // Yes: the archive is written and the status names the count and report.
    ui::QueueAnswers(u"dialog:7; box(incomplete):Yes");
    ui::ClickButton(State().mainDialog, kBeginButton);
    EXPECT_NE(ReadFile(archive), "the previous archive");
    ASSERT_FALSE(State().lastReport.empty());
    EXPECT_EQ(Status(), "Backup completed with failures: 1 items failed; see the report " + N(State().lastReport));
    EXPECT_NE(ReadFile(N(State().lastReport)).find("broken.ini"), std::string::npos);
}

TEST_F(ShellTest, AFailedItemIsNotAskedAboutForANewArchive) {
    BrokenConfigFile broken;
    TempFolder tmp;
    ASSERT_EQ(Start(""), StartUpResult::Ready);
    ui::EnterText(State().backupPage, kArchiveEdit, U(tmp.file("new")));
    ui::ClickButton(State().mainDialog, kBeginButton);
    for (const std::string &box : Boxes()) EXPECT_EQ(box.find("could not be backed up"), std::string::npos) << box;
    EXPECT_TRUE(FileExists(tmp.file("new.conf.vkb")));
    EXPECT_EQ(State().failedItems, 1);
}
