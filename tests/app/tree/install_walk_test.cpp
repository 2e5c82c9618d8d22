// The walk of the installation folders and the default choice, on the demo
// installation and on made-up folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/resources/app_images.h"
#include "app/shell/settings.h"
#include "app/tree/install_walk.h"
#include "platform/fs/fs.h"
#include "platform/module/resources.h"
#include "platform/ui/treeview.h"
#include "tests/support/test_support.h"

using namespace vk::app;
using namespace vk::ui;
using namespace vk::test;

namespace {

const std::string kDemo = std::string(VK_SOURCE_DIR) + "/demo/";

class InstallTree : public ::testing::Test {
protected:
    void SetUp() override {
        ResetUiState();
        AddAppImages(module);
        page = CreateWindowOf(Kind::Dialog, nullptr, 107, u"", Rect{0, 0, 400, 300}, kStyleVisible);
        tree = CreateWindowOf(Kind::TreeView, page, 1065, u"", Rect{0, 0, 400, 300}, kStyleVisible | kStyleCheckBoxes);
    }
    void TearDown() override {
        FreeItemLists(lists);
        ResetUiState();
    }

    static InstallFolders DemoFolders() {
        InstallFolders f;
        f.bin = U(kDemo + "bin/");
        f.data = U(kDemo + "data/");
        f.config = U(kDemo + "config/");
        f.format = U(kDemo + "format/");
        f.sim = U(kDemo + "sim/");
        f.script = U(kDemo + "script/");
        return f;
    }
    // Every leaf path in display order (everything expanded first).
    std::vector<std::u16string> Leaves(int state = 0) {
        std::vector<std::u16string> paths;
        std::vector<VKTreeItem *> stack;
        for (VKTreeItem *i = TreeGetNext(tree, nullptr, TreeNext::Root); i; i = TreeGetNext(tree, i, TreeNext::Next))
            stack.push_back(i);
        std::reverse(stack.begin(), stack.end());
        while (!stack.empty()) {
            VKTreeItem *item = stack.back();
            stack.pop_back();
            std::vector<VKTreeItem *> kids;
            for (VKTreeItem *c = TreeGetNext(tree, item, TreeNext::Child); c; c = TreeGetNext(tree, c, TreeNext::Next))
                kids.push_back(c);
            if (kids.empty() && (state == 0 || item->state == state)) paths.push_back(ItemFilePath(tree, item));
            stack.insert(stack.end(), kids.rbegin(), kids.rend());
        }
        return paths;
    }
    static std::vector<std::u16string> Demo(const std::string &folder, std::initializer_list<const char *> names) {
        std::vector<std::u16string> out;
        for (const char *n : names) out.push_back(U(kDemo + folder + n));
        return out;
    }

    VKModule module;
    VKHWND page = nullptr;
    VKHWND tree = nullptr;
    ItemLists lists;
};

} // namespace

TEST_F(InstallTree, FillInsertsEveryFileCheckedInWalkOrder) {
    FillInstallTree(tree, DemoFolders(), &module);
    const std::vector<std::u16string> all = Leaves();
    const std::vector<std::u16string> checked = Leaves(kChecked);
    EXPECT_EQ(all, checked); // every file inserted checked
    // bin, data (recursive), config, format; sim and script are not walked.
    auto pos = [&](const std::string &rel) {
        return std::find(all.begin(), all.end(), U(kDemo + rel)) - all.begin();
    };
    ASSERT_LT(pos("bin/display.ini"), static_cast<long>(all.size()));
    EXPECT_LT(pos("bin/display.ini"), pos("data/Jobs/job0412.db"));
    EXPECT_LT(pos("data/Wells/South-2/Run1/pass1.db"), pos("config/tools.ini"));
    EXPECT_LT(pos("config/tools.ini"), pos("format/las20.fmt"));
    EXPECT_EQ(pos("data/Wells/North-7/Run1/main.raw") < static_cast<long>(all.size()), true);
    EXPECT_EQ(pos("sim/openhole.sim"), static_cast<long>(all.size()));
    // A subfolder of a flatly walked folder is a leaf.
    EXPECT_LT(pos("config/old"), static_cast<long>(all.size()));
    EXPECT_EQ(pos("config/old/tools.ini.orig"), static_cast<long>(all.size()));
    EXPECT_NE(TreeGetImageList(tree, TreeImageKind::State), nullptr);

    // Filling again starts from an empty tree.
    const size_t count = TreeGetCount(tree);
    FillInstallTree(tree, DemoFolders(), &module);
    EXPECT_EQ(TreeGetCount(tree), count);
}

TEST_F(InstallTree, DefaultChoiceOnTheDemoInstallation) {
    ReadItemLists(lists, U(kDemo + "bin/vaultkeep.ini").c_str());
    FillInstallTree(tree, DemoFolders(), &module);
    ApplyDefaultChoice(tree, DemoFolders(), lists);

    std::vector<std::u16string> expected = Demo("bin/", {"display.ini"});
    for (auto &p : Demo("config/", {"Depth.WWC", "encoder.bak", "hotkeys.ini", "license.key", "lithology.cmp",
                                    "neu_table.tbl", "panel.tcf", "services.ini", "site.tcf", "standard.lst",
                                    "survey.lst", "talvern.ini", "tools.ini", "units.ini", "vars.ini",
                                    "WProperties.ini"}))
        expected.push_back(p);
    for (auto &p : Demo("format/", {"calib.prs", "cased.prs", "cased_hdr.bhf", "crossplot.xpt", "gr2.wtd", "grcal.wcp",
                                    "heading.hdr", "las20.fmt", "log.plt", "neu_char.tbl", "neu_env.crv", "neucal.wcp",
                                    "openhole.hdr", "openhole.lyt", "openhole.prs", "openhole_hdr.bhf", "perf.prs",
                                    "pg3375.wtd", "stdcal.wcp"}))
        expected.push_back(p);
    EXPECT_EQ(CheckedFiles(tree), expected);

    // What the settings refuse stays unchecked.
    const std::vector<std::u16string> unchecked = Leaves(kUnchecked);
    for (const char *rel : {"bin/talvern.log", "bin/hardware.lck", "bin/vaultkeep.ini", "bin/talvern.exe", "bin/acqcore32.dll",
                            "bin/Talvern.chm", "bin/dumpcal.out", "config/acquire.log", "config/~WProperties.tmp",
                            "config/talvern.lck", "config/vaultkeep.ini", "config/pre-upgrade.conf.vkb", "config/SITEKEY",
                            "config/calib.bin", "config/old", "format/old.prs.bak", "data/Jobs/job0412.db",
                            "data/Wells/North-7/well.ini"})
        EXPECT_NE(std::find(unchecked.begin(), unchecked.end(), U(kDemo + rel)), unchecked.end()) << rel;

    // Each installation folder is a top-level item labelled with its path;
    // those of the choice are partly checked and open, the others closed.
    std::vector<std::u16string> roots;
    for (VKTreeItem *item = TreeGetNext(tree, nullptr, TreeNext::Root); item; item = TreeGetNext(tree, item, TreeNext::Next)) {
        roots.push_back(item->text);
        const bool chosen = item->text != U(kDemo + "data");
        EXPECT_EQ(item->expanded, chosen) << N(item->text);
        EXPECT_EQ(item->state, chosen ? kPartlyChecked : kUnchecked) << N(item->text);
    }
    EXPECT_EQ(roots, (std::vector<std::u16string>{U(kDemo + "bin"), U(kDemo + "data"), U(kDemo + "config"),
                                                   U(kDemo + "format")}));
    VKTreeItem *config = SelectItemByPath(tree, U(kDemo + "config/"));
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(TreeGetNext(tree, config, TreeNext::Parent), nullptr);
    EXPECT_EQ(N(ItemFilePath(tree, TreeGetNext(tree, config, TreeNext::Child))).rfind(kDemo + "config/", 0), 0u);
}

TEST_F(InstallTree, DefaultChoiceWithoutSettingsFileUsesTheBuiltInSkipList) {
    TempFolder none;
    ReadItemLists(lists, none.ufile("vaultkeep.ini").c_str());
    FillInstallTree(tree, DemoFolders(), &module);
    ApplyDefaultChoice(tree, DemoFolders(), lists);
    const std::vector<std::u16string> files = CheckedFiles(tree);
    auto has = [&](const char *rel) { return std::find(files.begin(), files.end(), U(kDemo + rel)) != files.end(); };
    EXPECT_TRUE(has("config/tools.ini"));
    EXPECT_FALSE(has("config/license.key")); // no add list
    EXPECT_FALSE(has("config/encoder.bak")); // *.bak built in
    EXPECT_FALSE(has("config/vaultkeep.ini"));
    EXPECT_FALSE(has("config/pre-upgrade.conf.vkb"));
}

TEST_F(InstallTree, WalkSkipsLinkedFoldersAndMissingFolders) {
    TempFolder dir;
    WriteFile(dir.file("data/a/x.db"), "x");
    WriteFile(dir.file("data/b.db"), "b");
    std::filesystem::create_directory_symlink("..", dir.file("data/a/up")); // a loop back up
    std::filesystem::create_symlink("b.db", dir.file("data/link.db"));
    TreeFill fill{tree, kTviFirst};
    WalkIntoTree(fill, dir.ufile("data/"), true);
    WalkIntoTree(fill, dir.ufile("missing/"), true);
    WalkIntoTree(fill, u"", true);
    EXPECT_EQ(Leaves(), (std::vector<std::u16string>{dir.ufile("data/a/x.db"), dir.ufile("data/b.db"),
                                                      dir.ufile("data/link.db")}));
    // A flat walk shows a subfolder as a checked leaf.
    TreeDeleteAllItems(tree);
    fill = TreeFill{tree, kTviFirst};
    WalkIntoTree(fill, dir.ufile("data/"), false);
    EXPECT_EQ(Leaves(kChecked), (std::vector<std::u16string>{dir.ufile("data/a"), dir.ufile("data/b.db"),
                                                              dir.ufile("data/link.db")}));
}

TEST_F(InstallTree, DefaultChoiceSkipsFoldersMissingFromTheTree) {
    TempFolder dir;
    WriteFile(dir.file("bin/a.ini"), "a");
    WriteFile(dir.file("bin/b.exe"), "b");
    InstallFolders f;
    f.bin = dir.ufile("bin/");
    f.config = dir.ufile("config/"); // does not exist
    f.sim = u"";
    FillInstallTree(tree, f, &module);
    ApplyDefaultChoice(tree, f, lists);
    EXPECT_EQ(CheckedFiles(tree), (std::vector<std::u16string>{dir.ufile("bin/a.ini")}));
}
