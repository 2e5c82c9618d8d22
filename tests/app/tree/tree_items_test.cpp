// The selection tree: insertion, three-state check spreading, paths, the
// expansion rules, locating a folder, check-box clicks and the images.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/resources/app_images.h"
#include "app/tree/install_walk.h"
#include "app/tree/tree_images.h"
#include "app/tree/tree_items.h"
#include "platform/module/resources.h"
#include "platform/ui/treeview.h"
#include "platform/ui/ui.h"
#include "tests/support/test_support.h"

using namespace vk::app;
using namespace vk::ui;
using vk::test::N;

namespace {

class SelectionTree : public ::testing::Test {
protected:
    void SetUp() override {
        ResetUiState();
        page = CreateWindowOf(Kind::Dialog, nullptr, 107, u"", Rect{0, 0, 400, 800}, kStyleVisible);
        tree = CreateWindowOf(Kind::TreeView, page, 1065, u"", Rect{0, 0, 400, 40 * kTreeRowHeight},
                              kStyleVisible | kStyleCheckBoxes);
        ASSERT_NE(tree, nullptr);
        fill = TreeFill{tree, kTviFirst};
    }
    void TearDown() override { ResetUiState(); }

    VKTreeItem *Path(std::u16string_view path) { return InsertPath(fill, path); }
    // The item at a path ("/opt/a.ini"), without expanding anything.
    VKTreeItem *At(std::u16string_view path) {
        VKTreeItem *item = nullptr;
        for (std::u16string_view c : PathComponents(path)) {
            item = TreeGetNext(tree, item, item ? TreeNext::Child : TreeNext::Root);
            while (item && item->text != c) item = TreeGetNext(tree, item, TreeNext::Next);
            if (!item) return nullptr;
        }
        return item;
    }
    int State(std::u16string_view path) { return GetCheck(tree, At(path)); }
    std::vector<std::u16string> Children(VKTreeItem *parent) {
        std::vector<std::u16string> names;
        for (VKTreeItem *c = TreeGetNext(tree, parent, parent ? TreeNext::Child : TreeNext::Root); c;
             c = TreeGetNext(tree, c, TreeNext::Next))
            names.push_back(c->text);
        return names;
    }
    // Everything unchecked, as the page's Clear Selections leaves it.
    void UncheckAll() {
        for (VKTreeItem *top = TreeGetNext(tree, nullptr, TreeNext::Root); top; top = TreeGetNext(tree, top, TreeNext::Next))
            CheckSubtree(tree, top, false);
    }

    VKHWND page = nullptr;
    VKHWND tree = nullptr;
    TreeFill fill;
};

} // namespace

TEST_F(SelectionTree, InsertKeepsOrderPerParentAndSetsImagesAndValues) {
    VKTreeItem *dir = InsertTreeItem(fill, u"dir", nullptr, kItemComponent);
    VKTreeItem *b = InsertTreeItem(fill, u"b.ini", dir, kItemFile);
    VKTreeItem *sub = InsertTreeItem(fill, u"sub", dir, kItemComponent);
    InsertTreeItem(fill, u"x.ini", sub, kItemFile);
    InsertTreeItem(fill, u"a.ini", dir, kItemFile); // after a detour into sub
    InsertTreeItem(fill, u"top2", nullptr, kItemComponent);
    EXPECT_EQ(Children(dir), (std::vector<std::u16string>{u"b.ini", u"sub", u"a.ini"}));
    EXPECT_EQ(Children(nullptr), (std::vector<std::u16string>{u"dir", u"top2"}));
    EXPECT_EQ(dir->image, kImageFolder);
    EXPECT_EQ(dir->selectedImage, kImageFolder);
    EXPECT_EQ(dir->param, kItemComponent);
    EXPECT_EQ(b->image, kImageFile);
    EXPECT_EQ(b->param, kItemFile);
    EXPECT_EQ(b->state, kUnchecked);
}

TEST_F(SelectionTree, InsertPathBuildsChainsAndAddsCheckedLeaves) {
    VKTreeItem *first = Path(u"/opt/talvern/a.ini");
    VKTreeItem *second = Path(u"/opt/talvern/a.ini");
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, second); // inserted twice: two leaves under one folder
    EXPECT_EQ(Children(At(u"/opt/talvern")), (std::vector<std::u16string>{u"a.ini", u"a.ini"}));
    EXPECT_EQ(Children(nullptr), (std::vector<std::u16string>{u"/"}));
    EXPECT_EQ(first->state, kChecked);
    EXPECT_EQ(At(u"/opt")->state, kUnchecked);
    EXPECT_EQ(At(u"/opt")->param, kItemComponent);
    EXPECT_EQ(Path(u"no-separator.ini"), nullptr);
    EXPECT_EQ(TreeGetCount(tree), 5u);
    // Components match ignoring case; empty components are skipped.
    Path(u"/OPT//talvern/b.ini");
    EXPECT_EQ(Children(At(u"/opt/talvern")).size(), 3u);
}

TEST_F(SelectionTree, InsertPathMatchesWholeComponentNames) {
    // "Data" must not take the files of "Data2", nor "Run1" those of "Run10",
    // and a folder named like its parent stays a level of its own.
    Path(u"/inst/Data/e.ini");
    Path(u"/inst/Data2/f.ini");
    Path(u"/inst/Wells/Run1/a.db");
    Path(u"/inst/Wells/Run10/b.db");
    Path(u"/inst/data/data/c.db");
    EXPECT_NE(At(u"/inst/Data2/f.ini"), nullptr);
    EXPECT_EQ(ItemFilePath(tree, At(u"/inst/Data2/f.ini")), u"/inst/Data2/f.ini");
    EXPECT_EQ(ItemFilePath(tree, At(u"/inst/Wells/Run10/b.db")), u"/inst/Wells/Run10/b.db");
    ASSERT_NE(At(u"/inst/Data/data"), nullptr); // "data" matched "Data" (case ignored), then its own level
    EXPECT_EQ(ItemFilePath(tree, At(u"/inst/Data/data/c.db")), u"/inst/Data/data/c.db");
}

TEST_F(SelectionTree, ItemPathJoinsAncestorsWithOneSeparator) {
    VKTreeItem *drive = InsertTreeItem(fill, u"C:", nullptr, kItemComponent);
    VKTreeItem *talvern = InsertTreeItem(fill, u"Talvern", drive, kItemComponent);
    VKTreeItem *file = InsertTreeItem(fill, u"a.ini", talvern, kItemFile);
    EXPECT_EQ(ItemPath(tree, file, u"a.ini"), u"C:/Talvern/a.ini/");
    EXPECT_EQ(ItemPath(tree, file, u"a.ini/"), u"C:/Talvern/a.ini/"); // trailing separator dropped first
    VKTreeItem *slashed = InsertTreeItem(fill, u"cfg/", talvern, kItemComponent);
    VKTreeItem *inner = InsertTreeItem(fill, u"b.ini", slashed, kItemFile);
    EXPECT_EQ(ItemPath(tree, inner, inner->text), u"C:/Talvern/cfg/b.ini/");
    EXPECT_EQ(ItemPath(tree, drive, u"C:"), u"C:/");
    EXPECT_EQ(ItemFilePath(tree, file), u"C:/Talvern/a.ini");
    // The file-system root as the top-level item gives the absolute path back.
    EXPECT_EQ(ItemFilePath(tree, Path(u"/opt/talvern/bin/display.ini")), u"/opt/talvern/bin/display.ini");
}

TEST_F(SelectionTree, CheckingAFileMarksEveryAncestorPartlyAndUncheckingLeavesThem) {
    Path(u"/i/cfg/a.ini");
    Path(u"/i/cfg/b.ini");
    UncheckAll();
    VKTreeItem *a = At(u"/i/cfg/a.ini");
    SetCheck(tree, a, kChecked);
    MarkAncestors(tree, a, true);
    for (const char16_t *p : {u"/", u"/i", u"/i/cfg"}) EXPECT_EQ(State(p), kPartlyChecked) << N(p);
    EXPECT_EQ(State(u"/i/cfg/b.ini"), kUnchecked);
    SetCheck(tree, a, kUnchecked);
    MarkAncestors(tree, a, false);
    for (const char16_t *p : {u"/", u"/i", u"/i/cfg"}) EXPECT_EQ(State(p), kPartlyChecked) << N(p);
}

TEST_F(SelectionTree, MarkAncestorsNeverChangesAnAncestorInTheItemsOwnState) {
    Path(u"/i/cfg/a.ini");
    UncheckAll();
    SetCheck(tree, At(u"/"), kChecked);
    SetCheck(tree, At(u"/i"), kUnchecked);
    SetCheck(tree, At(u"/i/cfg"), kPartlyChecked);
    MarkAncestors(tree, At(u"/i/cfg/a.ini"), true);
    EXPECT_EQ(State(u"/"), kChecked);
    EXPECT_EQ(State(u"/i"), kPartlyChecked);
    EXPECT_EQ(State(u"/i/cfg"), kPartlyChecked);
    MarkAncestors(tree, At(u"/i/cfg/a.ini"), false);
    EXPECT_EQ(State(u"/"), kPartlyChecked);
}

TEST_F(SelectionTree, CheckSubtreeCoversTheSiblingRunAndEverythingBelow) {
    Path(u"/i/a/x.ini");
    Path(u"/i/a/deep/y.ini");
    Path(u"/i/b/z.ini");
    Path(u"/j/w.ini");
    UncheckAll();
    CheckSubtree(tree, At(u"/i/a"), true); // a and its following sibling b
    for (const char16_t *p : {u"/i/a", u"/i/a/x.ini", u"/i/a/deep", u"/i/a/deep/y.ini", u"/i/b", u"/i/b/z.ini"})
        EXPECT_EQ(State(p), kChecked) << N(p);
    EXPECT_EQ(State(u"/i"), kUnchecked);
    EXPECT_EQ(State(u"/j/w.ini"), kUnchecked);
    CheckSubtree(tree, At(u"/i/b"), false); // b is the last: a stays
    EXPECT_EQ(State(u"/i/b/z.ini"), kUnchecked);
    EXPECT_EQ(State(u"/i/a/x.ini"), kChecked);
}

TEST_F(SelectionTree, CheckBoxClicksFollowTheThreeStateRules) {
    Path(u"/i/cfg/a.ini");
    Path(u"/i/cfg/sub/b.ini");
    Path(u"/i/other/c.ini");
    UncheckAll();
    SetCheck(tree, At(u"/"), kChecked); // an ancestor already checked stays so

    struct Step {
        const char16_t *click;
        int expectedNew;
        std::vector<std::pair<const char16_t *, int>> states;
    };
    const Step steps[] = {
        // Checking a folder checks everything below; unchecked ancestors become partly checked.
        {u"/i/cfg", kChecked,
         {{u"/i/cfg/a.ini", kChecked}, {u"/i/cfg/sub", kChecked}, {u"/i/cfg/sub/b.ini", kChecked},
          {u"/i", kPartlyChecked}, {u"/", kChecked}, {u"/i/other/c.ini", kUnchecked}}},
        // Unchecking one file leaves its folders partly checked.
        {u"/i/cfg/sub/b.ini", kUnchecked, {{u"/i/cfg/sub", kPartlyChecked}, {u"/i/cfg", kPartlyChecked}}},
        // A click on a partly checked folder unchecks it and everything below.
        {u"/i/cfg", kUnchecked,
         {{u"/i/cfg", kUnchecked}, {u"/i/cfg/a.ini", kUnchecked}, {u"/i/cfg/sub", kUnchecked},
          {u"/i", kPartlyChecked}, {u"/", kPartlyChecked}}},
    };
    for (const Step &s : steps) {
        EXPECT_EQ(ApplyCheckClick(tree, At(s.click)), s.expectedNew) << N(s.click);
        for (const auto &[path, state] : s.states) EXPECT_EQ(State(path), state) << N(s.click) << " -> " << N(path);
    }
    EXPECT_EQ(ApplyCheckClick(tree, nullptr), 0);
}

namespace {
intptr_t PageProc(VKHWND, uint32_t msg, uintptr_t, intptr_t lparam) {
    if (msg != kMsgNotify) return 0;
    const auto *n = reinterpret_cast<const Notify *>(lparam);
    return n->code == kNmClick && HandleCheckBoxClick(n->from, n->x, n->y) ? 1 : 0;
}
} // namespace

TEST_F(SelectionTree, ClickOnTheStateImageIsHandledOnceThroughTheNotification) {
    VKHWND clickPage = CreateWindowOf(Kind::Dialog, nullptr, 107, u"", Rect{0, 0, 400, 600}, kStyleVisible, PageProc);
    VKHWND t = CreateWindowOf(Kind::TreeView, clickPage, 1065, u"", Rect{0, 0, 400, 500}, kStyleVisible | kStyleCheckBoxes);
    TreeFill f{t, kTviFirst};
    VKTreeItem *leaf = InsertPath(f, u"/cfg/a.ini");
    VKTreeItem *cfg = TreeGetNext(t, leaf, TreeNext::Parent);
    SetCheck(t, leaf, kPartlyChecked);
    TreeEnsureVisible(t, leaf);
    Rect row;
    ASSERT_TRUE(TreeGetItemRect(t, leaf, false, row));
    const int depth = TreeItemDepth(t, leaf);
    const int stateX = (depth + 1) * kTreeIndent + kTreeStateWidth / 2;
    TreeClick(t, stateX, row.y + row.h / 2);
    EXPECT_EQ(leaf->state, kUnchecked); // partly -> unchecked, not advanced again by the control
    EXPECT_EQ(cfg->state, kUnchecked); // already in the item's new state
    TreeClick(t, stateX, row.y + row.h / 2);
    EXPECT_EQ(leaf->state, kChecked);
    EXPECT_EQ(cfg->state, kPartlyChecked);
    // A click on the label is not a check-box click.
    Rect label;
    ASSERT_TRUE(TreeGetItemRect(t, leaf, true, label));
    EXPECT_FALSE(HandleCheckBoxClick(t, label.x + 2, label.y + 1));
    EXPECT_EQ(leaf->state, kChecked);
}

TEST_F(SelectionTree, ExpandCheckedOpensEveryCheckedOrPartlyCheckedBranch) {
    Path(u"/i/cfg/a.ini");
    Path(u"/i/data/run/x.db");
    Path(u"/i/fmt/b.prs");
    UncheckAll();
    SetCheck(tree, At(u"/i/cfg/a.ini"), kChecked);
    SetCheck(tree, At(u"/i/data/run"), kPartlyChecked);
    ExpandChecked(tree, TreeGetNext(tree, nullptr, TreeNext::Root));
    for (const char16_t *p : {u"/", u"/i", u"/i/cfg", u"/i/data", u"/i/data/run"})
        EXPECT_TRUE(At(p)->expanded) << N(p);
    EXPECT_FALSE(At(u"/i/fmt")->expanded);
    // Every checked leaf is now shown.
    EXPECT_EQ(CheckedFiles(tree), (std::vector<std::u16string>{u"/i/cfg/a.ini"}));
}

TEST_F(SelectionTree, ExpandToLeafParentsCollapsesFoldersOfFilesAndOpensTheLevelsAbove) {
    Path(u"/i/cfg/a.ini");
    Path(u"/i/data/run/x.db");
    Path(u"/i/data/y.db");
    Path(u"/i/mix/a.ini"); // only the first child decides
    Path(u"/i/mix/sub/z.ini");
    for (const char16_t *p : {u"/", u"/i", u"/i/cfg", u"/i/data", u"/i/data/run", u"/i/mix", u"/i/mix/sub"})
        TreeExpand(tree, At(p), TreeExpandCode::Expand);
    ExpandToLeafParents(tree, TreeGetNext(tree, nullptr, TreeNext::Root));
    for (const char16_t *p : {u"/", u"/i", u"/i/data"}) EXPECT_TRUE(At(p)->expanded) << N(p);
    for (const char16_t *p : {u"/i/cfg", u"/i/data/run", u"/i/mix", u"/i/mix/sub"}) EXPECT_FALSE(At(p)->expanded) << N(p);
}

TEST_F(SelectionTree, SelectItemByPathFindsWholeComponentsAndScrollsToTheItem) {
    for (int i = 0; i < 60; ++i) Path(u"/inst/bin2/f" + vk::test::U(std::to_string(i)) + u".ini");
    Path(u"/inst/bin/display.ini");
    Path(u"/inst/config/units.ini");
    MoveWindow(tree, Rect{0, 0, 400, 2 * kTreeRowHeight}, false); // room to scroll any item to the top
    struct Case {
        const char16_t *path;
        const char16_t *expected; // text of the item found, null for none
    };
    const Case cases[] = {
        {u"/inst/bin/", u"bin"},          // not bin2, which comes first
        {u"/inst/bin", u"bin"},           // a trailing separator makes no difference
        {u"/INST/Config/", u"config"},    // case ignored
        {u"//inst///config", u"config"},  // empty components skipped
        {u"/inst/missing/", nullptr},
        {u"/inst/bi/", nullptr},          // no prefix matches
        {u"/other/bin/", nullptr},
        {u"", nullptr},
    };
    for (const Case &c : cases) {
        VKTreeItem *item = SelectItemByPath(tree, c.path);
        if (!c.expected) {
            EXPECT_EQ(item, nullptr) << N(c.path);
            continue;
        }
        ASSERT_NE(item, nullptr) << N(c.path);
        EXPECT_EQ(item->text, c.expected);
        EXPECT_TRUE(item->expanded);
        EXPECT_EQ(TreeGetNext(tree, nullptr, TreeNext::FirstVisible), item) << N(c.path);
    }
}

TEST_F(SelectionTree, SelectionIsTheCheckedLeavesAndCountIncludesFolders) {
    Path(u"/i/cfg/a.ini");
    Path(u"/i/cfg/b.ini");
    Path(u"/i/fmt/c.prs");
    UncheckAll();
    ApplyCheckClick(tree, At(u"/i/cfg")); // folder and both files checked
    SetCheck(tree, At(u"/i/fmt/c.prs"), kPartlyChecked); // a partly checked leaf is no part of it
    EXPECT_EQ(CheckedFiles(tree), (std::vector<std::u16string>{u"/i/cfg/a.ini", u"/i/cfg/b.ini"}));
    EXPECT_EQ(CountCheckedItems(tree), 3); // cfg, a.ini, b.ini
    std::u16string path;
    EXPECT_FALSE(CheckedLeafPath(tree, At(u"/i/cfg"), path)); // checked, but has children
    EXPECT_TRUE(CheckedLeafPath(tree, At(u"/i/cfg/b.ini"), path));
    EXPECT_EQ(path, u"/i/cfg/b.ini");
    ClearSelections(tree);
    EXPECT_TRUE(CheckedFiles(tree).empty());
    EXPECT_EQ(State(u"/i/fmt/c.prs"), kUnchecked);
    EXPECT_EQ(State(u"/"), kUnchecked);
}

TEST_F(SelectionTree, TreeImagesComeFromTheProgramsBitmaps) {
    VKModule module;
    AddAppImages(module);
    for (int32_t id : {129, 130, 131, 133, 134, 135}) {
        ASSERT_TRUE(module.images.count(id)) << id;
        const VKImage &image = module.images.at(id);
        EXPECT_EQ(image.width, 16);
        EXPECT_EQ(image.height, 16);
        ASSERT_EQ(image.argb.size(), 256u);
        int opaque = 0;
        for (uint32_t px : image.argb) opaque += (px >> 24) != 0;
        EXPECT_GT(opaque, 40) << id; // something is drawn
    }
    EXPECT_NE(module.images.at(133).argb, module.images.at(134).argb);
    EXPECT_NE(module.images.at(134).argb, module.images.at(135).argb);

    ASSERT_TRUE(SetTreeImages(tree, &module));
    const ImageList *normal = TreeGetImageList(tree, TreeImageKind::Normal);
    const ImageList *state = TreeGetImageList(tree, TreeImageKind::State);
    ASSERT_TRUE(normal && state);
    ASSERT_EQ(ImageListCount(*normal), 3);
    ASSERT_EQ(ImageListCount(*state), 4);
    const int32_t normalIds[] = {129, 131, 130};
    const int32_t stateIds[] = {133, 133, 134, 135};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(normal->frames[i].imageId, normalIds[i]);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(state->frames[i].imageId, stateIds[i]);

    // A module missing one check-box bitmap leaves the tree's lists alone.
    VKHWND other = CreateWindowOf(Kind::TreeView, page, 2, u"", Rect{0, 0, 100, 100}, kStyleVisible | kStyleCheckBoxes);
    VKModule partial;
    AddAppImages(partial);
    partial.images.erase(135);
    EXPECT_FALSE(SetTreeImages(other, &partial));
    EXPECT_EQ(TreeGetImageList(other, TreeImageKind::State), nullptr);
    EXPECT_EQ(TreeGetImageList(other, TreeImageKind::Normal), nullptr);
    EXPECT_FALSE(SetTreeImages(other, nullptr));
}
