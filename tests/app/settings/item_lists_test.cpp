// The item lists of the program's settings file.
#include <gtest/gtest.h>

#include <string>

#include "app/shell/settings.h"
#include "common/memory.h"
#include "tests/support/test_support.h"

using namespace vk::test;
using vk::app::ItemList;
using vk::app::ItemLists;

namespace {

std::u16string At(const ItemList &list, int i) { return list.items[i]; }

struct Lists {
    ItemLists lists;
    ~Lists() { vk::app::FreeItemLists(lists); }
};

} // namespace

TEST(ItemLists, ListEndsAtTheFirstMissingKey) {
    TempFolder dir;
    WriteFile(dir.file("vaultkeep.ini"), "[ConfigSkipFiles]\r\n1=*.log\r\n2=*.TMP\r\n4=never.ini\r\n");
    Lists l;
    vk::app::ReadItemLists(l.lists, dir.ufile("vaultkeep.ini").c_str());
    ASSERT_EQ(l.lists.skip.count, 2);
    EXPECT_EQ(At(l.lists.skip, 0), u"*.log");
    EXPECT_EQ(At(l.lists.skip, 1), u"*.TMP");
    EXPECT_EQ(l.lists.skip.items[2], nullptr); // the spare slot
}

TEST(ItemLists, EmptyFirstKeyGivesAnEmptyList) {
    TempFolder dir;
    WriteFile(dir.file("vaultkeep.ini"), "[ConfigAddFiles]\n1=\n2=units.ini\n");
    ItemList list;
    vk::app::ReadItemList(u"ConfigAddFiles", dir.ufile("vaultkeep.ini").c_str(), list);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.items, nullptr);
}

TEST(ItemLists, SettingsFileWithOnlyAddListUsesNoBuiltInPatterns) {
    TempFolder dir;
    WriteFile(dir.file("vaultkeep.ini"), "[ConfigAddFiles]\n1=license.key\n");
    Lists l;
    vk::app::ReadItemLists(l.lists, dir.ufile("vaultkeep.ini").c_str());
    EXPECT_TRUE(l.lists.fromFile);
    ASSERT_EQ(l.lists.add.count, 1);
    EXPECT_EQ(At(l.lists.add, 0), u"license.key");
    EXPECT_EQ(l.lists.skip.count, 0);
    EXPECT_EQ(l.lists.restoreSkip.count, 0);
}

TEST(ItemLists, MissingSettingsFileGivesTheBuiltInSkipList) {
    TempFolder dir;
    Lists l;
    vk::app::ReadItemLists(l.lists, dir.ufile("vaultkeep.ini").c_str());
    EXPECT_FALSE(l.lists.fromFile);
    EXPECT_EQ(l.lists.add.count, 0);
    EXPECT_EQ(l.lists.restoreSkip.count, 0);
    ASSERT_EQ(l.lists.skip.count, 18);
    EXPECT_EQ(At(l.lists.skip, 3), u"vaultkeep.ini");
    EXPECT_EQ(At(l.lists.skip, 17), u"*.vkb");
    EXPECT_EQ(l.lists.skip.items[18], nullptr);
    for (int i = 0; i < 18; ++i)
        for (int j = i + 1; j < 18; ++j) EXPECT_NE(At(l.lists.skip, i), At(l.lists.skip, j)) << i << " " << j;
    // Freeing leaves the built-in list alone (it owns nothing).
    vk::app::FreeItemLists(l.lists);
    EXPECT_EQ(l.lists.skip.count, 18);
}

TEST(ItemLists, LongValuesAreCutAt2549Characters) {
    TempFolder dir;
    WriteFile(dir.file("vaultkeep.ini"), "[ConfigRestoreSkipFiles]\n1=" + std::string(3000, 'x') + "\n2=b\n");
    Lists l;
    vk::app::ReadItemLists(l.lists, dir.ufile("vaultkeep.ini").c_str());
    ASSERT_EQ(l.lists.restoreSkip.count, 2);
    EXPECT_EQ(At(l.lists.restoreSkip, 0), std::u16string(2549, u'x'));
}

namespace {
int g_warnings = 0;
void CountWarning() { ++g_warnings; }
} // namespace

TEST(ItemLists, FailedAllocationWarnsAndLeavesTheListEmpty) {
    TempFolder dir;
    WriteFile(dir.file("vaultkeep.ini"), "[ConfigSkipFiles]\n1=a\n2=b\n");
    g_warnings = 0;
    vk::SetAllocationWarning(CountWarning);
    vk::FailNextAllocations(1);
    Lists l;
    vk::app::ReadItemLists(l.lists, dir.ufile("vaultkeep.ini").c_str());
    vk::FailNextAllocations(0);
    vk::SetAllocationWarning(nullptr);
    EXPECT_EQ(g_warnings, 1);
    EXPECT_TRUE(l.lists.fromFile);
    EXPECT_EQ(l.lists.skip.count, 0); // not the built-in list either
    EXPECT_EQ(l.lists.skip.items, nullptr);
}

TEST(ItemLists, ReadingAgainReplacesTheListsAndFreeingTwiceIsSafe) {
    TempFolder dir;
    WriteFile(dir.file("a.ini"), "[ConfigAddFiles]\n1=one.ini\n2=two.ini\n");
    WriteFile(dir.file("b.ini"), "[ConfigAddFiles]\n1=three.ini\n");
    Lists l;
    vk::app::ReadItemLists(l.lists, dir.ufile("a.ini").c_str());
    vk::app::ReadItemLists(l.lists, dir.ufile("b.ini").c_str()); // no leak of the first lists
    ASSERT_EQ(l.lists.add.count, 1);
    EXPECT_EQ(At(l.lists.add, 0), u"three.ini");
    vk::app::FreeItemLists(l.lists);
    EXPECT_FALSE(l.lists.fromFile);
    EXPECT_EQ(l.lists.add.count, 0);
    EXPECT_EQ(l.lists.add.items, nullptr);
    vk::app::FreeItemLists(l.lists);
}
