#include "lib/services/strings.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/memory.h"
#include "platform/ui/ui.h"
#include "tests/support/test_support.h"

namespace {

using vk::test::N;

struct StringsTest : ::testing::Test {
    VKHMODULE module = nullptr;
    std::u16string longText = std::u16string(1500, u'x');

    void SetUp() override {
        const VKStringEntry entries[] = {
            {1, u"one"}, {2, u"two"}, {3, u"three"}, {1500, longText.c_str()}, {7, nullptr},
        };
        module = VKCreateStringModule(entries, std::size(entries));
        vk::ui::ClearShownLog();
        vk::ui::ClearAnswers();
    }
    void TearDown() override { VKFreeModule(module); }
};

TEST_F(StringsTest, RingKeepsATextForExactly100FurtherCalls) {
    const char16_t *first = LMGetString(module, 1);
    ASSERT_EQ(std::u16string(first), u"one");
    // 99 further calls, a third of them id 0, which advances the ring too.
    for (int i = 0; i < 99; ++i) {
        const char16_t *s = LMGetString(module, i % 3 == 0 ? 0 : 3);
        ASSERT_NE(s, first);
    }
    EXPECT_EQ(std::u16string(first), u"one");
    // The 101st call takes the first call's slot.
    const char16_t *reused = LMGetString(module, 2);
    EXPECT_EQ(reused, first);
    EXPECT_EQ(std::u16string(first), u"two");
}

TEST_F(StringsTest, IdZeroAndNullTextAreEmpty) {
    EXPECT_EQ(std::u16string(LMGetString(module, 0)), u"");
    EXPECT_EQ(std::u16string(LMGetString(module, 7)), u"");
    EXPECT_TRUE(vk::ui::ShownLog().empty());
}

TEST_F(StringsTest, LongTextIsCutTo1023Characters) {
    const std::u16string text = LMGetString(module, 1500);
    EXPECT_EQ(text.size(), 1023u);
    EXPECT_EQ(text, longText.substr(0, 1023));
}

TEST_F(StringsTest, OnlyTheFirstMissingStringIsReported) {
    vk::lib::ResetMissingStringReport();
    EXPECT_EQ(N(LMGetString(module, 4242)), "Missing");
    ASSERT_EQ(vk::ui::ShownLog().size(), 1u);
    const vk::ui::Shown &box = vk::ui::ShownLog()[0];
    EXPECT_EQ(box.what, vk::ui::Shown::What::Box);
    EXPECT_EQ(N(box.text), "String 4242 not found\n\n");
    EXPECT_EQ(N(box.caption), "Talvern String");
    EXPECT_TRUE(box.flags & vk::ui::kMbSystemModal);

    EXPECT_EQ(N(LMGetString(module, 4243)), "");
    EXPECT_EQ(N(LMGetString(nullptr, 1)), "");
    EXPECT_EQ(vk::ui::ShownLog().size(), 1u);
    // A missing string comes back empty even in a slot that held text before.
    EXPECT_EQ(N(LMGetString(module, 1)), "one");
}

TEST_F(StringsTest, SetDialogTextFollowsTheTableUpToItsEnd) {
    VKHWND dialog = vk::ui::CreateWindowOf(vk::ui::Kind::Dialog, nullptr, 0, u"old title", {0, 0, 100, 100}, 0);
    for (int32_t id : {10, 11, 12})
        vk::ui::CreateWindowOf(vk::ui::Kind::Static, dialog, id, u"old", {0, 0, 10, 10}, vk::ui::kStyleVisible);

    const int32_t none[] = {0, 1, 10, 1};
    LMSetDialogText(module, dialog, 0, none);
    EXPECT_EQ(N(vk::ui::GetWindowText(dialog)), "old title");
    EXPECT_EQ(N(vk::ui::GetDlgItemText(dialog, 10)), "old");

    const int32_t pairs[] = {10, 1, 11, 0, -1, 2, 12, 2};
    LMSetDialogText(module, dialog, 3, pairs);
    EXPECT_EQ(N(vk::ui::GetWindowText(dialog)), "three");
    EXPECT_EQ(N(vk::ui::GetDlgItemText(dialog, 10)), "one");
    EXPECT_EQ(N(vk::ui::GetDlgItemText(dialog, 11)), "");
    EXPECT_EQ(N(vk::ui::GetDlgItemText(dialog, 12)), "old");
    vk::ui::DestroyWindow(dialog);
}

TEST(StringModules, EntriesAreCopiedAndOnlyOwnModulesFreed) {
    std::u16string text = u"before";
    const VKStringEntry entries[] = {{5, text.c_str()}};
    VKHMODULE module = VKCreateStringModule(entries, 1);
    ASSERT_NE(module, nullptr);
    text = u"after!";
    EXPECT_EQ(N(LMGetString(module, 5)), "before");
    VKFreeModule(module);
    VKFreeModule(module); // a second free is ignored

    VKHMODULE library = VKGetLibraryModule();
    VKFreeModule(library); // the library's own module stays
    EXPECT_EQ(VKGetLibraryModule(), library);
    EXPECT_EQ(N(LMGetString(library, 2845)), "Insufficient Local Memory");
    EXPECT_EQ(N(LMGetString(library, 3075)), "Vaultkeep");
    EXPECT_EQ(VKCreateStringModule(nullptr, 3), nullptr);
}

TEST(AllocationWarning, LibraryShowsItsOwnWarning) {
    vk::lib::InstallAllocationWarning();
    vk::ui::ClearShownLog();
    vk::FailNextAllocations(1);
    EXPECT_EQ(vk::AllocZeroed(8), nullptr);
    vk::SetAllocationWarning(nullptr);
    ASSERT_EQ(vk::ui::ShownLog().size(), 1u);
    const vk::ui::Shown &box = vk::ui::ShownLog()[0];
    EXPECT_EQ(N(box.text), "Insufficient Local Memory");
    EXPECT_EQ(N(box.caption), "Vaultkeep");
    EXPECT_EQ(box.flags & 0xF0u, vk::ui::kMbIconWarning);
}

} // namespace
