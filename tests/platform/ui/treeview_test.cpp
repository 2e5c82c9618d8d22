// The tree-view control of the window model.
#include "tests/platform/ui/ui_fixture.h"

#include "tests/support/test_support.h"

namespace vk::test {
namespace {

using namespace vk::ui;

// What the tree's parent saw during notifications.
struct TreeSeen {
    uint32_t code;
    intptr_t param;
    std::u16string text; // the item's text, read back during the notification
    int state;           // its state image at the time
    VKTreeItem *item;
    VKTreeItem *oldItem;
};
std::vector<TreeSeen> g_seen;
intptr_t g_clickResult = 0;

intptr_t ParentProc(VKHWND, uint32_t msg, uintptr_t, intptr_t lparam) {
    if (msg != kMsgNotify) return 0;
    const auto *n = reinterpret_cast<const Notify *>(lparam);
    TreeSeen s{n->code, n->param, u"?", -1, n->item, n->oldItem};
    TreeItemData d;
    if (n->item && TreeGetItem(n->from, n->item, d)) {
        s.text = d.text;
        s.state = d.state;
    }
    g_seen.push_back(s);
    return n->code == kNmClick ? g_clickResult : 0;
}

class TreeTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        g_seen.clear();
        g_clickResult = 0;
        dialog = CreateWindowOf(Kind::Dialog, nullptr, 0, u"", {0, 0, 300, 200}, kStyleVisible, ParentProc);
        // Five rows of 18 pixels.
        tree = CreateWindowOf(Kind::TreeView, dialog, 1006, u"", {0, 0, 200, 5 * kTreeRowHeight},
                              kStyleVisible | kStyleCheckBoxes);
    }
    VKTreeItem *Add(VKTreeItem *parent, std::u16string text, VKTreeItem *after = kTviLast, intptr_t param = 0) {
        TreeItemData d;
        d.text = std::move(text);
        d.param = param;
        d.state = 1;
        return TreeInsertItem(tree, parent, after, d);
    }
    std::u16string Text(VKTreeItem *item) {
        TreeItemData d;
        return TreeGetItem(tree, item, d) ? d.text : u"<none>";
    }
    // Texts of the children of `parent` (null: the top level), joined by ','.
    std::u16string Kids(VKTreeItem *parent) {
        std::u16string out;
        VKTreeItem *c = parent ? TreeGetNext(tree, parent, TreeNext::Child) : TreeGetNext(tree, nullptr, TreeNext::Root);
        for (; c; c = TreeGetNext(tree, c, TreeNext::Next)) out += (out.empty() ? u"" : u",") + Text(c);
        return out;
    }
    // Texts in display order from the first top-level item.
    std::u16string Shown() {
        std::u16string out;
        for (VKTreeItem *c = TreeGetNext(tree, nullptr, TreeNext::Root); c; c = TreeGetNext(tree, c, TreeNext::NextVisible))
            out += (out.empty() ? u"" : u",") + Text(c);
        return out;
    }
    VKHWND dialog = nullptr;
    VKHWND tree = nullptr;
};

TEST_F(TreeTest, InsertPositions) {
    VKTreeItem *b = Add(nullptr, u"b");
    Add(nullptr, u"a", kTviFirst);
    Add(kTviRoot, u"d");
    Add(nullptr, u"c", b);
    EXPECT_EQ(Kids(nullptr), u"a,b,c,d");
    // An insertion point that is no child of the parent inserts last.
    VKTreeItem *x = Add(b, u"x");
    Add(b, u"y", x);
    Add(b, u"w", x);
    Add(b, u"z", b);
    EXPECT_EQ(Kids(b), u"x,w,y,z");
    EXPECT_EQ(TreeGetCount(tree), 8u);
    // Not a tree, or a parent from another tree.
    VKHWND other = CreateWindowOf(Kind::TreeView, dialog, 7, u"", {}, kStyleVisible);
    EXPECT_EQ(TreeInsertItem(dialog, nullptr, kTviLast, {}), nullptr);
    EXPECT_EQ(TreeInsertItem(other, b, kTviLast, {}), nullptr);
    EXPECT_FALSE(TreeIsItem(other, b));
}

TEST_F(TreeTest, FieldsOutsideTheMaskStartEmpty) {
    TreeItemData d;
    d.mask = kTvifText | kTvifParam;
    d.text = u"x";
    d.param = 5;
    d.image = 3;
    d.state = 2;
    VKTreeItem *checkable = TreeInsertItem(tree, nullptr, kTviLast, d);
    VKHWND plain = CreateWindowOf(Kind::TreeView, dialog, 7, u"", {}, kStyleVisible);
    VKTreeItem *bare = TreeInsertItem(plain, nullptr, kTviLast, d);
    TreeItemData out;
    ASSERT_TRUE(TreeGetItem(tree, checkable, out));
    EXPECT_EQ(out.text, u"x");
    EXPECT_EQ(out.param, 5);
    EXPECT_EQ(out.image, 0);
    EXPECT_EQ(out.state, 1); // check-box trees start unchecked
    ASSERT_TRUE(TreeGetItem(plain, bare, out));
    EXPECT_EQ(out.state, 0);
    // Set changes only the fields named.
    TreeItemData change;
    change.mask = kTvifImage | kTvifSelectedImage;
    change.image = 2;
    change.selectedImage = 2;
    change.text = u"ignored";
    ASSERT_TRUE(TreeSetItem(tree, checkable, change));
    TreeGetItem(tree, checkable, out);
    EXPECT_EQ(out.text, u"x");
    EXPECT_EQ(out.image, 2);
    EXPECT_EQ(out.selectedImage, 2);
}

TEST_F(TreeTest, SortInsertionIgnoresCaseAndPutsEqualsAfter) {
    VKTreeItem *p = Add(nullptr, u"p");
    for (const char16_t *t : {u"Gamma", u"alpha", u"beta", u"ALPHA", u"10", u"9", u"_x", u"delta"})
        Add(p, t, kTviSort, static_cast<intptr_t>(Kids(p).size()));
    EXPECT_EQ(Kids(p), u"_x,10,9,alpha,ALPHA,beta,delta,Gamma");
}

struct CompareCase {
    const char16_t *a;
    const char16_t *b;
    int sign;
};

TEST(TreeCompare, ClassicTextOrder) {
    const CompareCase cases[] = {
        {u"abc", u"ABC", 0},       {u"abc", u"abd", -1},     {u"ab", u"abc", -1},
        {u"Zeta", u"alpha", 1},    {u"10", u"9", -1},        {u"9", u"a", -1},
        {u"_a", u"1", -1},         {u"co-op", u"coop", 1},   {u"co-op", u"cop", -1},
        {u"it's", u"its", 1},      {u"", u"a", -1},          {u"\u00e9t\u00e9", u"zz", 1},
        {u"GR-2", u"GR1", 1},      {u"a b", u"ab", -1},
    };
    for (const auto &c : cases) {
        const int r = CompareTreeText(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << N(c.a) << " vs " << N(c.b);
        const int back = CompareTreeText(c.b, c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.sign) << N(c.b) << " vs " << N(c.a);
    }
}

TEST_F(TreeTest, DeleteNotifiesChildrenFirstWithReadableItems) {
    VKTreeItem *a = Add(nullptr, u"A", kTviLast, 1);
    VKTreeItem *a1 = Add(a, u"A1", kTviLast, 11);
    Add(a1, u"A1a", kTviLast, 111);
    Add(a, u"A2", kTviLast, 12);
    VKTreeItem *b = Add(nullptr, u"B", kTviLast, 2);
    Add(b, u"B1", kTviLast, 21);
    ASSERT_TRUE(TreeDeleteItem(tree, a));
    ASSERT_EQ(g_seen.size(), 4u);
    const intptr_t params[] = {111, 11, 12, 1};
    const char16_t *texts[] = {u"A1a", u"A1", u"A2", u"A"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(g_seen[i].code, kTvnDeleteItem);
        EXPECT_EQ(g_seen[i].param, params[i]);
        EXPECT_EQ(g_seen[i].text, texts[i]);
    }
    EXPECT_FALSE(TreeIsItem(tree, a));
    EXPECT_FALSE(TreeIsItem(tree, a1));
    EXPECT_FALSE(TreeDeleteItem(tree, a)); // a stale handle is refused
    EXPECT_EQ(TreeGetCount(tree), 2u);
    EXPECT_EQ(Kids(nullptr), u"B");
    // Destroying the control deletes what is left, with notifications.
    g_seen.clear();
    DestroyWindow(tree);
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].param, 21);
    EXPECT_EQ(g_seen[1].param, 2);
}

TEST_F(TreeTest, DeleteAllAndDeepTrees) {
    VKTreeItem *p = nullptr;
    for (int i = 0; i < 20000; ++i) p = Add(p, u"n", kTviLast, i);
    TreeEnsureVisible(tree, p);
    EXPECT_EQ(TreeItemDepth(tree, p), 19999);
    ASSERT_TRUE(TreeDeleteAllItems(tree));
    ASSERT_EQ(g_seen.size(), 20000u);
    EXPECT_EQ(g_seen.front().param, 19999);
    EXPECT_EQ(g_seen.back().param, 0);
    EXPECT_EQ(TreeGetCount(tree), 0u);
    EXPECT_EQ(TreeGetNext(tree, nullptr, TreeNext::Root), nullptr);
    EXPECT_EQ(TreeGetNext(tree, nullptr, TreeNext::FirstVisible), nullptr);
}

TEST_F(TreeTest, WalksAndVisibleWalksSkipCollapsedItems) {
    VKTreeItem *a = Add(nullptr, u"A");
    VKTreeItem *a1 = Add(a, u"A1");
    Add(a1, u"A1a");
    VKTreeItem *a2 = Add(a, u"A2");
    VKTreeItem *b = Add(nullptr, u"B");
    VKTreeItem *b1 = Add(b, u"B1");
    EXPECT_EQ(TreeGetNext(tree, nullptr, TreeNext::Root), a);
    EXPECT_EQ(TreeGetNext(tree, a, TreeNext::Child), a1);
    EXPECT_EQ(TreeGetNext(tree, a1, TreeNext::Next), a2);
    EXPECT_EQ(TreeGetNext(tree, a2, TreeNext::Previous), a1);
    EXPECT_EQ(TreeGetNext(tree, a2, TreeNext::Next), nullptr);
    EXPECT_EQ(TreeGetNext(tree, a2, TreeNext::Parent), a);
    EXPECT_EQ(TreeGetNext(tree, a, TreeNext::Parent), nullptr);
    EXPECT_EQ(Shown(), u"A,B");
    TreeExpand(tree, a, TreeExpandCode::Expand);
    EXPECT_EQ(Shown(), u"A,A1,A2,B"); // A1 stays collapsed
    TreeExpand(tree, a1, TreeExpandCode::Toggle);
    TreeExpand(tree, b, TreeExpandCode::Expand);
    EXPECT_EQ(Shown(), u"A,A1,A1a,A2,B,B1");
    EXPECT_EQ(TreeGetNext(tree, nullptr, TreeNext::LastVisible), b1);
    EXPECT_EQ(TreeGetNext(tree, b, TreeNext::PreviousVisible), a2);
    TreeExpand(tree, a, TreeExpandCode::Collapse);
    EXPECT_EQ(Shown(), u"A,B,B1");
    EXPECT_EQ(TreeGetNext(tree, b, TreeNext::PreviousVisible), a);
    // From an item in a collapsed part there is no visible walk.
    EXPECT_EQ(TreeGetNext(tree, a2, TreeNext::NextVisible), nullptr);
    // Leaves cannot be expanded.
    EXPECT_FALSE(TreeExpand(tree, a2, TreeExpandCode::Expand));
    TreeItemData d;
    TreeGetItem(tree, a2, d);
    EXPECT_FALSE(d.expanded);
    EXPECT_FALSE(d.hasChildren);
}

TEST_F(TreeTest, SortChildrenRecursiveOrOneLevel) {
    VKTreeItem *r = Add(nullptr, u"root");
    VKTreeItem *c = Add(r, u"c");
    Add(r, u"B");
    Add(r, u"a");
    Add(c, u"z");
    Add(c, u"y");
    TreeSortChildren(tree, r, false);
    EXPECT_EQ(Kids(r), u"a,B,c");
    EXPECT_EQ(Kids(c), u"z,y");
    TreeSortChildren(tree, r, true);
    EXPECT_EQ(Kids(c), u"y,z");
    // The walk links stay consistent after relinking.
    VKTreeItem *last = TreeGetNext(tree, TreeGetNext(tree, r, TreeNext::Child), TreeNext::Next);
    EXPECT_EQ(TreeGetNext(tree, last, TreeNext::Next), c);
    EXPECT_EQ(TreeGetNext(tree, c, TreeNext::Previous), last);
}

int ByParamDescending(intptr_t a, intptr_t b, intptr_t context) {
    EXPECT_EQ(context, 5);
    return static_cast<int>((b / 10) - (a / 10));
}

TEST_F(TreeTest, SortWithCallbackIsStable) {
    Add(nullptr, u"x", kTviLast, 10);
    Add(nullptr, u"y", kTviLast, 30);
    Add(nullptr, u"z", kTviLast, 11);
    Add(nullptr, u"w", kTviLast, 31);
    ASSERT_TRUE(TreeSortChildrenCb(tree, nullptr, ByParamDescending, 5, false));
    EXPECT_EQ(Kids(nullptr), u"y,w,x,z");
}

TEST_F(TreeTest, HitTestGeometry) {
    VKTreeItem *a = Add(nullptr, u"abc");
    VKTreeItem *child = Add(a, u"kid");
    TreeExpand(tree, a, TreeExpandCode::Expand);
    const int row1 = kTreeRowHeight + 3;
    // Check-box tree without a normal image list: button, state, label.
    struct Case {
        int x, y;
        VKTreeItem *item;
        uint32_t flags;
    } cases[] = {
        {2, 2, a, kTvhtOnItemButton},
        {kTreeIndent + 1, 2, a, kTvhtOnItemStateIcon},
        {kTreeIndent + kTreeStateWidth + 1, 2, a, kTvhtOnItemLabel},
        {kTreeIndent + kTreeStateWidth + 2 * kTreeLabelPadding + 3 * kTreeCharWidth - 1, 2, a, kTvhtOnItemLabel},
        {kTreeIndent + kTreeStateWidth + 2 * kTreeLabelPadding + 3 * kTreeCharWidth, 2, a, kTvhtOnItemRight},
        {5, row1, child, kTvhtOnItemIndent},
        {kTreeIndent + 2, row1, child, kTvhtOnItemIndent}, // no children: no button
        {2 * kTreeIndent, row1, child, kTvhtOnItemStateIcon},
        {5, 2 * kTreeRowHeight + 1, nullptr, kTvhtNowhere},
        {5, -1, nullptr, kTvhtAbove},
        {5, 5 * kTreeRowHeight, nullptr, kTvhtBelow},
        {-1, 5, nullptr, kTvhtToLeft},
        {200, 5, nullptr, kTvhtToRight},
    };
    for (const auto &c : cases) {
        const TreeHit h = TreeHitTest(tree, c.x, c.y);
        EXPECT_EQ(h.item, c.item) << c.x << "," << c.y;
        EXPECT_EQ(h.flags, c.flags) << c.x << "," << c.y;
    }
    // With a normal image list the icon sits between the state image and the label.
    VKModule m;
    m.images[129] = VKImage{16, 48, 16, std::vector<uint32_t>(48 * 16)};
    ImageList list;
    EXPECT_EQ(ImageListAdd(list, &m, 129), 0);
    EXPECT_EQ(ImageListAdd(list, &m, 129), 3);
    EXPECT_EQ(ImageListAdd(list, &m, 999), -1);
    EXPECT_EQ(ImageListCount(list), 6);
    TreeSetImageList(tree, TreeImageKind::Normal, list);
    const int icon = kTreeIndent + kTreeStateWidth;
    EXPECT_EQ(TreeHitTest(tree, icon + 1, 2).flags, kTvhtOnItemIcon);
    EXPECT_EQ(TreeHitTest(tree, icon + kTreeImageWidth, 2).flags, kTvhtOnItemLabel);
    Rect r;
    ASSERT_TRUE(TreeGetItemRect(tree, child, true, r));
    EXPECT_EQ(r.x, 2 * kTreeIndent + kTreeStateWidth + kTreeImageWidth);
    EXPECT_EQ(r.y, kTreeRowHeight);
    EXPECT_EQ(r.w, 2 * kTreeLabelPadding + 3 * kTreeCharWidth);
    // An item with state image 0 shows none.
    TreeItemData d;
    d.mask = kTvifState;
    d.state = 0;
    TreeSetItem(tree, a, d);
    EXPECT_EQ(TreeHitTest(tree, kTreeIndent + 1, 2).flags, kTvhtOnItemIndent);
}

TEST_F(TreeTest, EnsureVisibleExpandsAndScrolls) {
    std::vector<VKTreeItem *> top;
    for (int i = 0; i < 10; ++i) top.push_back(Add(nullptr, u"t" + std::u16string(1, static_cast<char16_t>(u'0' + i))));
    VKTreeItem *deep = Add(Add(top[2], u"sub"), u"leaf");
    EXPECT_EQ(TreeVisibleRows(tree), 5);
    ASSERT_TRUE(TreeEnsureVisible(tree, deep));
    // t0 t1 t2 sub leaf: already within the five rows.
    EXPECT_EQ(TreeScrollPos(tree), 0);
    EXPECT_EQ(Shown().substr(0, 17), u"t0,t1,t2,sub,leaf");
    TreeEnsureVisible(tree, top[7]); // index 9: scroll so it is the last row
    EXPECT_EQ(TreeScrollPos(tree), 5);
    EXPECT_EQ(TreeGetNext(tree, nullptr, TreeNext::FirstVisible), top[3]);
    TreeEnsureVisible(tree, top[1]); // above: becomes the first row
    EXPECT_EQ(TreeGetNext(tree, nullptr, TreeNext::FirstVisible), top[1]);
    // First visible as far as the list allows: 12 items, 5 rows.
    TreeSelectItem(tree, top[9], TreeSelectCode::FirstVisible);
    EXPECT_EQ(TreeScrollPos(tree), 7);
    TreeSelectItem(tree, top[4], TreeSelectCode::FirstVisible);
    EXPECT_EQ(TreeGetNext(tree, nullptr, TreeNext::FirstVisible), top[4]);
    // Collapsing above the first row keeps that row's item.
    TreeExpand(tree, top[2], TreeExpandCode::Collapse);
    EXPECT_EQ(TreeGetNext(tree, nullptr, TreeNext::FirstVisible), top[4]);
    EXPECT_EQ(TreeScrollPos(tree), 4);
    // A list that shrinks below the last page scrolls back: 12 items -> 11.
    TreeExpand(tree, top[2], TreeExpandCode::Expand);
    TreeSelectItem(tree, top[9], TreeSelectCode::FirstVisible);
    EXPECT_EQ(TreeGetNext(tree, nullptr, TreeNext::FirstVisible), top[5]); // index 7 of 12
    TreeDeleteItem(tree, top[9]);
    EXPECT_EQ(TreeGetNext(tree, nullptr, TreeNext::FirstVisible), top[4]); // index 6 of 11
    // Deleting the first row moves it to what follows.
    TreeDeleteItem(tree, TreeGetNext(tree, nullptr, TreeNext::FirstVisible));
    EXPECT_TRUE(TreeIsItem(tree, TreeGetNext(tree, nullptr, TreeNext::FirstVisible)));
}

TEST_F(TreeTest, SelectionNotifiesAndFollowsCollapseAndDelete) {
    VKTreeItem *a = Add(nullptr, u"A", kTviLast, 1);
    VKTreeItem *a1 = Add(a, u"A1", kTviLast, 11);
    VKTreeItem *a2 = Add(a, u"A2", kTviLast, 12);
    VKTreeItem *b = Add(nullptr, u"B", kTviLast, 2);
    ASSERT_TRUE(TreeSelectItem(tree, a1));
    EXPECT_EQ(TreeGetSelection(tree), a1);
    TreeItemData d;
    TreeGetItem(tree, a, d);
    EXPECT_TRUE(d.expanded); // selecting scrolls into view, expanding its parent
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].code, kTvnSelChanged);
    EXPECT_EQ(g_seen[0].item, a1);
    EXPECT_EQ(g_seen[0].oldItem, nullptr);
    TreeSelectItem(tree, a1); // no change: no notification
    EXPECT_EQ(g_seen.size(), 1u);
    // Collapsing the parent moves the selection onto it.
    TreeExpand(tree, a, TreeExpandCode::Collapse);
    EXPECT_EQ(TreeGetSelection(tree), a);
    EXPECT_EQ(g_seen.back().oldItem, a1);
    // Deleting the selected item selects its next sibling, else the previous, else the parent.
    TreeSelectItem(tree, a1);
    g_seen.clear();
    TreeDeleteItem(tree, a1);
    EXPECT_EQ(TreeGetSelection(tree), a2);
    ASSERT_FALSE(g_seen.empty());
    EXPECT_EQ(g_seen[0].code, kTvnSelChanged); // before the deletion, the old item still readable
    EXPECT_EQ(g_seen[0].oldItem, a1);
    TreeDeleteItem(tree, a2);
    EXPECT_EQ(TreeGetSelection(tree), a);
    TreeSelectItem(tree, b);
    TreeDeleteItem(tree, b);
    EXPECT_EQ(TreeGetSelection(tree), a);
    TreeSelectItem(tree, nullptr);
    EXPECT_EQ(TreeGetSelection(tree), nullptr);
}

TEST_F(TreeTest, StateIconClicksAdvanceAfterTheClickNotification) {
    VKTreeItem *a = Add(nullptr, u"A");
    const int stateX = kTreeIndent + 2;
    // Without a state list of its own: 1 -> 2 -> 1.
    TreeClick(tree, stateX, 2);
    TreeItemData d;
    TreeGetItem(tree, a, d);
    EXPECT_EQ(d.state, 2);
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].code, kNmClick);
    EXPECT_EQ(g_seen[0].state, 1); // the parent saw the state before the advance
    TreeClick(tree, stateX, 2);
    TreeGetItem(tree, a, d);
    EXPECT_EQ(d.state, 1);
    // With four state images (blank, unchecked, checked, partly): 1 -> 2 -> 3 -> 1.
    VKModule m;
    m.images[133] = VKImage{16, 64, 16, std::vector<uint32_t>(64 * 16)};
    ImageList states;
    ImageListAdd(states, &m, 133);
    TreeSetImageList(tree, TreeImageKind::State, states);
    int seq[3];
    for (int &s : seq) {
        TreeClick(tree, stateX, 2);
        TreeGetItem(tree, a, d);
        s = d.state;
    }
    EXPECT_EQ(seq[0], 2);
    EXPECT_EQ(seq[1], 3);
    EXPECT_EQ(seq[2], 1);
    // A parent that handles the click stops the control's own processing.
    g_clickResult = 1;
    TreeClick(tree, stateX, 2);
    TreeGetItem(tree, a, d);
    EXPECT_EQ(d.state, 1);
    // A click does not change the selection when it lands on the state image.
    EXPECT_EQ(TreeGetSelection(tree), nullptr);
}

TEST_F(TreeTest, ClicksOnLabelSelectAndOnButtonToggle) {
    VKTreeItem *a = Add(nullptr, u"A");
    Add(a, u"A1");
    TreeClick(tree, 3, 3);
    TreeItemData d;
    TreeGetItem(tree, a, d);
    EXPECT_TRUE(d.expanded);
    EXPECT_EQ(g_seen.back().code, kTvnItemExpanded);
    TreeClick(tree, kTreeIndent + kTreeStateWidth + 2, 3);
    EXPECT_EQ(TreeGetSelection(tree), a);
    EXPECT_EQ(g_seen.back().code, kTvnSelChanged);
    TreeDoubleClick(tree, kTreeIndent + kTreeStateWidth + 2, 3);
    TreeGetItem(tree, a, d);
    EXPECT_FALSE(d.expanded);
}

} // namespace
} // namespace vk::test
