// The tool-tree exports through the public header: fill, add, find, release.
#include <gtest/gtest.h>

#include "common/memory.h"
#include "lib/resources/library_module.h"
#include "lib/services/profile.h"
#include "lib/tools/tool_tree.h"
#include "platform/ui/treeview.h"
#include "platform/ui/ui.h"
#include "tests/lib/tooltree/tool_tree_fixture.h"

namespace vk::test {
namespace {

constexpr char kGamma[] = "[Tools]\n1=GR\n[GR]\n1=100\n2=200\n[GR-100]\nModel=A\n[GR-200]\nModel=A\n"
                          "[GR-A]\nDescription=Gamma\n";

TEST_F(ToolTreeTest, SerialsOfOneModelShareTheModelItem) {
    const std::u16string file = Tools(kGamma);
    NewTree();
    VKHTREEITEM roots[3] = {};
    FillToolTree(tree, file.c_str(), &roots[0], &roots[1], &roots[2]);
    EXPECT_EQ(Outline(tree, true),
              "Logging Tools [1] 0|||\n"
              "  GR [1] 0|GR||\n"
              "    A (Gamma) [1] 0|GR||A\n"
              "      100 [1] 0|GR|100|A\n"
              "      200 [1] 0|GR|200|A\n"
              "Accessory Tools [2] 0|||\n"
              "TCP [3] 0|||\n");
    EXPECT_EQ(Text(tree, roots[0]), "Logging Tools");
    EXPECT_EQ(Text(tree, roots[2]), "TCP");
    // Images: the kind number, 4 for serial numbers.
    VKHTREEITEM serial = FindToolInTree(tree, u"GR", u"100");
    VKTreeItemInfo info{};
    ASSERT_TRUE(VKTreeGetItem(tree, serial, &info));
    EXPECT_EQ(info.image, 4);
    EXPECT_EQ(info.selectedImage, 4);
    ASSERT_TRUE(VKTreeGetItem(tree, roots[1], &info));
    EXPECT_EQ(info.image, 2);
}

TEST_F(ToolTreeTest, FillCasesGiveTheirOutlines) {
    struct Case {
        const char *name;
        bool tcp;
        std::string tools;
        std::string outline;
    } cases[] = {
        {"a serial equal to its model shows as the model only", true,
         "[Tools]\n1=GR\n[GR]\n1=a\n[GR-a]\nModel=A\n",
         "Logging Tools [1]\n  GR [1]\n    A [1]\nAccessory Tools [2]\nTCP [3]\n"},
        {"entries after a gap in the serial list are not seen", true,
         "[Tools]\n1=GR\n[GR]\n1=S1\n2=S2\n4=S4\n",
         "Logging Tools [1]\n  GR [1]\n    S1 [1]\n    S2 [1]\nAccessory Tools [2]\nTCP [3]\n"},
        {"kind 3 is left out with two kinds", false,
         "[Tools]\n1=CCL\n[CCL-Models]\n1=M1\n2=MT\n[CCL-M1]\nAvailable=\n[CCL-MT]\nAvailable=TCP,wireline\n",
         "Logging Tools [1]\n  CCL [1]\n    M1 [1]\nAccessory Tools [2]\n"},
        {"with three kinds the TCP model shows under TCP", true,
         "[Tools]\n1=CCL\n[CCL-Models]\n1=M1\n2=MT\n[CCL-M1]\nAvailable=\n[CCL-MT]\nAvailable=TCP,wireline\n",
         "Logging Tools [1]\n  CCL [1]\n    M1 [1]\nAccessory Tools [2]\nTCP [3]\n  CCL [3]\n    MT [3]\n"},
        {"serial rule by prefix, model rule by containment", true,
         "[Tools]\n1=G\n[G]\n1=7\n[G-7]\nModel=X\n[G-Models]\n1=X\n[G-X]\nAvailable=xTCP\n",
         "Logging Tools [1]\n  G [1]\n    X [1]\n      7 [1]\nAccessory Tools [2]\nTCP [3]\n  G [3]\n    X [3]\n"},
        // Without [C-Models] the tool also shows bare under the logging tools.
        {"a wireline model is an accessory", true,
         "[Tools]\n1=C\n[C]\n1=9\n[C-9]\nModel=B\n[C-B]\nAvailable=Wireline only\n",
         "Logging Tools [1]\n  C [1]\nAccessory Tools [2]\n  C [2]\n    B [2]\n      9 [2]\nTCP [3]\n"},
        {"a tool without serials and models still shows", true, "[Tools]\n1=STD\n2=\n3=NEVER\n",
         "Logging Tools [1]\n  STD [1]\nAccessory Tools [2]\nTCP [3]\n"},
        {"categories exist without tools and hold their tools, sorted", true,
         "[Tools]\n1=ZZ\n2=AA\n[Logging Tools-Categories]\n1=Nuclear\n2=Gamma\n[ZZ]\nCategory=gamma\n"
         "[AA]\nCategory=Gamma\n1=20\n2=10\n[AA-20]\n[AA-10]\n",
         "Logging Tools [1]\n  Gamma [1]\n    AA [1]\n      10 [1]\n      20 [1]\n    ZZ [1]\n  Nuclear [1]\n"
         "Accessory Tools [2]\nTCP [3]\n"},
        {"the legacy category section joins the accessory list", true,
         "[Tools]\n[Accessory Tools-Categories]\n1=Centralizers\n[Non-Serial Items-Categories]\n1=Swivels\n"
         "2=Centralizers\n",
         "Logging Tools [1]\nAccessory Tools [2]\n  Centralizers [2]\n  Swivels [2]\nTCP [3]\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Install(c.tcp);
        const std::u16string file = Tools(c.tools);
        NewTree();
        VKHTREEITEM roots[3] = {};
        FillToolTree(tree, file.c_str(), &roots[0], &roots[1], &roots[2]);
        EXPECT_EQ(Outline(tree), c.outline);
        EXPECT_NE(roots[0], nullptr);
        EXPECT_NE(roots[1], nullptr);
        EXPECT_EQ(roots[2] != nullptr, c.tcp);
    }
}

TEST_F(ToolTreeTest, LegacySectionIsDeletedAndCategoryBlocksAreMarked) {
    const std::u16string file = Tools("[Non-Serial Items-Categories]\n1=Swivels\n");
    NewTree();
    FillToolTree(tree, file.c_str(), nullptr, nullptr, nullptr);
    char16_t buffer[64] = {};
    lib::ProfileGetString(u"Non-Serial Items-Categories", nullptr, u"", buffer, 64, file.c_str());
    EXPECT_EQ(buffer[0], u'\0');
    lib::ProfileGetString(u"Accessory Tools-Categories", u"1", u"", buffer, 64, file.c_str());
    EXPECT_EQ(N(buffer), "Swivels");
    VKHTREEITEM found = nullptr;
    ASSERT_TRUE(FindTextInTree(tree, u"swivels", VKTreeNext(tree, nullptr, VK_TREE_ROOT), &found, 2));
    EXPECT_EQ(Block(tree, found)->categoryMark, 1);
    EXPECT_EQ(Block(tree, found)->kind, 2);
}

TEST_F(ToolTreeTest, UnlistedCategoryIsDroppedFromTheTool) {
    const std::u16string file = Tools("[Tools]\n1=GR\n[GR]\nCategory=Lost\n1=5\n");
    NewTree();
    FillToolTree(tree, file.c_str(), nullptr, nullptr, nullptr);
    EXPECT_EQ(Outline(tree), "Logging Tools [1]\n  GR [1]\n    5 [1]\nAccessory Tools [2]\nTCP [3]\n");
    char16_t buffer[64] = {u'x', 0};
    lib::ProfileGetString(u"GR", u"Category", u"", buffer, 64, file.c_str());
    EXPECT_EQ(buffer[0], u'\0');
}

// A tool with entries of two kinds keeps its category: filling twice gives
// the same tree, and the tools file keeps the key.
TEST_F(ToolTreeTest, CategoryOfAToolWithEntriesOfTwoKindsIsKept) {
    const std::u16string file = Tools("[Tools]\n1=GR\n[Logging Tools-Categories]\n1=Gamma\n[GR]\nCategory=Gamma\n"
                                      "1=5\n[GR-Models]\n1=W\n[GR-W]\nAvailable=Logging\n");
    NewTree();
    FillToolTree(tree, file.c_str(), nullptr, nullptr, nullptr);
    const std::string first = Outline(tree);
    EXPECT_EQ(first, "Logging Tools [1]\n  Gamma [1]\n    GR [1]\n      5 [1]\nAccessory Tools [2]\n  GR [2]\n"
                     "    W [2]\nTCP [3]\n");
    FillToolTree(tree, file.c_str(), nullptr, nullptr, nullptr);
    EXPECT_EQ(Outline(tree), first);
    char16_t buffer[64] = {};
    lib::ProfileGetString(u"GR", u"Category", u"", buffer, 64, file.c_str());
    EXPECT_EQ(N(buffer), "Gamma");
}

TEST_F(ToolTreeTest, MissingToolsFileGivesTheKindRootsOnly) {
    NewTree();
    const std::u16string missing = tmp.ufile("none/tools.ini");
    FillToolTree(tree, missing.c_str(), nullptr, nullptr, nullptr);
    EXPECT_EQ(Outline(tree), "Logging Tools [1]\nAccessory Tools [2]\nTCP [3]\n");
    EXPECT_EQ(vk::ui::WaitCursorDepth(), 0);
}

TEST_F(ToolTreeTest, RefillReleasesEveryBlockOfTheOldTree) {
    const std::u16string file = Tools(kGamma);
    NewTree();
    FillToolTree(tree, file.c_str(), nullptr, nullptr, nullptr);
    const size_t items = Count(tree);
    deletions = 0;
    FillToolTree(tree, file.c_str(), nullptr, nullptr, nullptr);
    EXPECT_EQ(static_cast<size_t>(deletions), items);
    EXPECT_EQ(Count(tree), items);
}

TEST_F(ToolTreeTest, AddAToolToTreeCases) {
    const std::u16string file = Tools(std::string(kGamma) + "[Accessory Tools-Categories]\n1=Bows\n[GR-B]\n"
                                                            "Description=Bowspring\n");
    NewTree();
    FillToolTree(tree, file.c_str(), nullptr, nullptr, nullptr);

    // A new serial number is inserted, sorted and selected.
    EXPECT_NE(AddAToolToTree(tree, 1, u"GR", u"A", u"150", u"", file.c_str()), 0);
    EXPECT_EQ(Text(tree, VKTreeNext(tree, nullptr, VK_TREE_CARET)), "150");
    EXPECT_NE(Outline(tree).find("    A (Gamma) [1]\n      100 [1]\n      150 [1]\n      200 [1]\n"), std::string::npos);

    // The same serial again: nothing inserted, nothing selected anew, 0.
    const size_t before = Count(tree);
    EXPECT_EQ(AddAToolToTree(tree, 1, u"GR", u"A", u"150", u"", file.c_str()), 0);
    EXPECT_EQ(Count(tree), before);

    // An empty label (kind 1 without a serial number): the tool level is
    // made, but the call selects nothing and returns 0.
    VKHTREEITEM caret = VKTreeNext(tree, nullptr, VK_TREE_CARET);
    EXPECT_EQ(AddAToolToTree(tree, 1, u"NEW", u"", u"", u"", file.c_str()), 0);
    EXPECT_EQ(VKTreeNext(tree, nullptr, VK_TREE_CARET), caret);
    EXPECT_NE(Outline(tree).find("  NEW [1]\n"), std::string::npos);

    // Kinds outside 1..3 insert nothing.
    const size_t count = Count(tree);
    EXPECT_EQ(AddAToolToTree(tree, 0, u"X", u"M", u"S", u"", file.c_str()), 0);
    EXPECT_EQ(AddAToolToTree(tree, 4, u"X", u"M", u"S", u"", file.c_str()), 0);
    EXPECT_EQ(Count(tree), count);

    // Kind 2 without a serial number labels the model; the category comes
    // from the list and the description from [T-M].
    EXPECT_NE(AddAToolToTree(tree, 2, u"GR", u"B", nullptr, u"Bows", file.c_str()), 0);
    VKHTREEITEM sel = VKTreeNext(tree, nullptr, VK_TREE_CARET);
    EXPECT_EQ(Text(tree, sel), "B (Bowspring)");
    EXPECT_EQ(Block(tree, sel)->kind, 2);
    EXPECT_EQ(Text(tree, VKTreeNext(tree, VKTreeNext(tree, sel, VK_TREE_PARENT), VK_TREE_PARENT)), "Bows");
}

TEST_F(ToolTreeTest, AddWithoutAKindRootInsertsNothing) {
    Install(false);
    const std::u16string file = Tools(kGamma);
    NewTree();
    VKHTREEITEM tcp = reinterpret_cast<VKHTREEITEM>(1);
    FillToolTree(tree, file.c_str(), nullptr, nullptr, &tcp);
    EXPECT_EQ(tcp, nullptr);
    const size_t count = Count(tree);
    EXPECT_EQ(AddAToolToTree(tree, 3, u"GUN", u"G1", nullptr, u"", file.c_str()), 0);
    EXPECT_EQ(Count(tree), count);
}

TEST_F(ToolTreeTest, AnItemIsNotInsertedWithoutItsBlock) {
    const std::u16string file = Tools(kGamma);
    NewTree();
    FillToolTree(tree, file.c_str(), nullptr, nullptr, nullptr);
    const size_t count = Count(tree);
    vk::ui::QueueAnswers(u"box:Ok*4");
    vk::FailNextAllocations(1);
    EXPECT_EQ(AddAToolToTree(tree, 1, u"GR", u"A", u"300", u"", file.c_str()), 0);
    vk::FailNextAllocations(0);
    vk::ui::ClearAnswers();
    EXPECT_EQ(Count(tree), count);
    // Every item there still carries a block.
    std::string outline = Outline(tree);
    EXPECT_EQ(outline.find("[-1]"), std::string::npos) << outline;
    // A failure at the model level leaves no model item and no serial item.
    vk::FailNextAllocations(1);
    EXPECT_EQ(AddAToolToTree(tree, 1, u"GR", u"Z", u"301", u"", file.c_str()), 0);
    vk::FailNextAllocations(0);
    EXPECT_EQ(Count(tree), count);
}

TEST_F(ToolTreeTest, FindTextInTreeCases) {
    const std::u16string file = Tools(std::string(kGamma) + "[GR-Models]\n1=" + std::string(300, 'L') + "\n");
    NewTree();
    FillToolTree(tree, file.c_str(), nullptr, nullptr, nullptr);
    VKHTREEITEM first = VKTreeNext(tree, nullptr, VK_TREE_ROOT);

    VKHTREEITEM found = nullptr;
    EXPECT_TRUE(FindTextInTree(tree, u"a (GAMMA)", first, &found, -1));
    EXPECT_EQ(Text(tree, found), "A (Gamma)");
    // A pointer that holds an item already: nonzero at once, unchanged.
    VKHTREEITEM held = first;
    EXPECT_TRUE(FindTextInTree(tree, u"200", first, &held, -1));
    EXPECT_EQ(held, first);
    // The kind filter.
    found = nullptr;
    EXPECT_FALSE(FindTextInTree(tree, u"GR", first, &found, 2));
    EXPECT_EQ(found, nullptr);
    EXPECT_TRUE(FindTextInTree(tree, u"GR", first, &found, 1));
    // A prefix does not match.
    found = nullptr;
    EXPECT_FALSE(FindTextInTree(tree, u"20", first, &found, -1));
    // Texts of 256 characters or more never match, though the item holds it.
    const std::u16string longText(300, u'L');
    found = nullptr;
    EXPECT_FALSE(FindTextInTree(tree, longText.c_str(), first, &found, -1));
    found = nullptr;
    EXPECT_TRUE(FindTextInTree(tree, longText.substr(0, 255).c_str(), first, &found, -1) == 0);
    // The search starts at `start` and goes on through the items after it,
    // not back up.
    VKHTREEITEM s200 = FindToolInTree(tree, u"GR", u"200");
    found = nullptr;
    EXPECT_FALSE(FindTextInTree(tree, u"100", s200, &found, -1));
}

TEST_F(ToolTreeTest, FindToolInTreeSelectsWhatItFinds) {
    const std::u16string file = Tools(kGamma);
    NewTree();
    FillToolTree(tree, file.c_str(), nullptr, nullptr, nullptr);
    EXPECT_EQ(FindToolInTree(tree, u"NOPE", u"100"), nullptr);
    EXPECT_EQ(VKTreeNext(tree, nullptr, VK_TREE_CARET), nullptr);
    VKHTREEITEM item = FindToolInTree(tree, u"gr", u"200");
    EXPECT_EQ(Text(tree, item), "200");
    EXPECT_EQ(VKTreeNext(tree, nullptr, VK_TREE_CARET), item);
    // A label that is not below the tool: the tool itself.
    item = FindToolInTree(tree, u"GR", u"999");
    EXPECT_EQ(Text(tree, item), "GR");
    item = FindToolInTree(tree, u"GR", u"");
    EXPECT_EQ(Text(tree, item), "GR");
}

TEST_F(ToolTreeTest, FreeTreeParamIgnoresOtherNotificationsAndSecondCalls) {
    const std::u16string file = Tools(kGamma);
    NewTree();
    FillToolTree(tree, file.c_str(), nullptr, nullptr, nullptr);
    VKHTREEITEM item = FindToolInTree(tree, u"GR", u"100");
    vk::ui::Notify n;
    n.code = vk::ui::kTvnSelChanged;
    n.item = item;
    FreeTreeParam(tree, &n);
    ASSERT_NE(Block(tree, item), nullptr);
    EXPECT_EQ(N(Block(tree, item)->serialNumber), "100");
    n.code = vk::ui::kTvnDeleteItem;
    FreeTreeParam(tree, &n);
    EXPECT_EQ(Block(tree, item), nullptr);
    FreeTreeParam(tree, &n); // no double release
    FreeTreeParam(tree, nullptr);
}

// Headless, running the window destroys it at once; every block goes back
// through the deletion procedure, and the handles are dead afterwards.
TEST_F(ToolTreeTest, TreeWindowOfTheHeaderWalksReadsAndEnds) {
    const std::u16string file = Tools(kGamma);
    NewTree();
    FillToolTree(tree, file.c_str(), nullptr, nullptr, nullptr);
    VKTreeExpandAll(tree);
    VKTreeItemInfo info{};
    VKHTREEITEM root = VKTreeNext(tree, nullptr, VK_TREE_ROOT);
    ASSERT_TRUE(VKTreeGetItem(tree, root, &info));
    EXPECT_EQ(info.expanded, 1);
    EXPECT_EQ(VKTreeNext(tree, root, VK_TREE_PARENT), nullptr);
    EXPECT_EQ(VKTreeNext(tree, VKTreeNext(tree, root, VK_TREE_NEXT), VK_TREE_PREVIOUS), root);
    EXPECT_EQ(VKTreeNext(tree, root, 77), nullptr);
    EXPECT_FALSE(VKTreeGetItem(tree, nullptr, &info));
    EXPECT_FALSE(VKTreeGetItem(tree, root, nullptr));
    // The tree fills the window's client area: the frame less caption and
    // borders, so its scroll bar and last rows lie inside; so after a resize.
    const auto clientOf = [](vk::ui::Rect frame) {
        return vk::ui::Rect{0, 0, frame.w - 2 * vk::ui::SystemMetric(vk::ui::Metric::BorderWidth),
                            frame.h - vk::ui::SystemMetric(vk::ui::Metric::CaptionHeight) -
                                2 * vk::ui::SystemMetric(vk::ui::Metric::BorderHeight)};
    };
    VKHWND frame = vk::ui::GetParent(tree);
    for (int pass = 0; pass < 2; ++pass) {
        const vk::ui::Rect want = clientOf(vk::ui::GetWindowRect(frame));
        EXPECT_EQ(vk::ui::GetClientRect(tree).w, want.w) << pass;
        EXPECT_EQ(vk::ui::GetClientRect(tree).h, want.h) << pass;
        vk::ui::Rect bigger = vk::ui::GetWindowRect(frame);
        bigger.w += 50;
        bigger.h += 30;
        vk::ui::MoveWindow(frame, bigger, true);
    }
    const size_t items = Count(tree);
    deletions = 0;
    EXPECT_EQ(VKRunTreeWindow(tree), 0);
    EXPECT_EQ(static_cast<size_t>(deletions), items);
    EXPECT_FALSE(vk::ui::IsWindow(tree));
    tree = nullptr;
    EXPECT_EQ(VKCreateTreeWindow(u"x", 0, 10, 0, nullptr, nullptr), nullptr);
}

TEST_F(ToolTreeTest, TheImagesAreSixFramesOfBitmap110) {
    const VKModule &module = vk::lib::LibraryModule();
    ASSERT_TRUE(module.images.count(110));
    const VKImage &image = module.images.at(110);
    EXPECT_EQ(image.width, 104);
    EXPECT_EQ(image.height, 16);
    vk::ui::ImageList list;
    EXPECT_EQ(vk::ui::ImageListAdd(list, const_cast<VKModule *>(&module), 110), 0);
    EXPECT_EQ(vk::ui::ImageListCount(list), 6);
    // Frames 1..5 are drawn, frame 0 is empty.
    for (int f = 0; f < 6; ++f) {
        bool drawn = false;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) drawn |= image.argb[static_cast<size_t>(y * 104 + f * 16 + x)] != 0;
        EXPECT_EQ(drawn, f != 0) << f;
    }
}

TEST_F(ToolTreeTest, DemoToolDatabaseFills) {
    const std::string demo = std::string(VK_SOURCE_DIR) + "/demo/config/tools.ini";
    const std::u16string file = Tools(ReadFile(demo));
    NewTree();
    FillToolTree(tree, file.c_str(), nullptr, nullptr, nullptr);
    const std::string outline = Outline(tree);
    // GR1020 follows a gap in [GR] and is never seen.
    EXPECT_NE(outline.find("GR1001"), std::string::npos);
    EXPECT_EQ(outline.find("GR1020"), std::string::npos);
    // A serial without model hangs directly under its tool.
    EXPECT_NE(outline.find("      GR1010 [1]\n"), std::string::npos) << outline;
    EXPECT_NE(outline.find("Guns [3]"), std::string::npos);
}

} // namespace
} // namespace vk::test
