#include "common/memory.h"

#include <gtest/gtest.h>

namespace {

int g_warnings = 0;
void CountWarning() { ++g_warnings; }

struct MemoryTest : ::testing::Test {
    void SetUp() override {
        g_warnings = 0;
        vk::SetAllocationWarning(&CountWarning);
    }
    void TearDown() override {
        vk::FailNextAllocations(0);
        vk::SetAllocationWarning(nullptr);
    }
};

TEST_F(MemoryTest, BlocksAreZeroFilled) {
    auto *block = static_cast<unsigned char *>(vk::AllocZeroed(4096));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(block[i], 0) << i;
    vk::FreeBlock(block);
    vk::FreeBlock(nullptr);
    EXPECT_EQ(g_warnings, 0);
}

TEST_F(MemoryTest, DupStringCopiesAndTurnsNullIntoEmpty) {
    char16_t *copy = vk::DupString(u"Talvern");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::u16string(copy), u"Talvern");
    vk::FreeBlock(copy);

    char16_t *empty = vk::DupString(nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty[0], 0);
    vk::FreeBlock(empty);
}

TEST_F(MemoryTest, EachFailureWarnsOnceAndYieldsNull) {
    vk::FailNextAllocations(2);
    EXPECT_EQ(vk::DupString(u"x"), nullptr);
    EXPECT_EQ(vk::AllocZeroed(16), nullptr);
    EXPECT_EQ(g_warnings, 2);
    void *ok = vk::AllocZeroed(16); // the third succeeds again
    EXPECT_NE(ok, nullptr);
    vk::FreeBlock(ok);
    EXPECT_EQ(g_warnings, 2);
}

TEST_F(MemoryTest, OverflowingCharacterCountFailsWithWarning) {
    EXPECT_EQ(vk::AllocChars(SIZE_MAX / 2 + 1), nullptr);
    EXPECT_EQ(g_warnings, 1);
}

} // namespace
