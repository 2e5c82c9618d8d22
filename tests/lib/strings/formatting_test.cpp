#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "lib/services/strings.h"
#include "tests/support/test_support.h"

namespace {

using vk::test::N;

std::string Chars(const char16_t *s, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; ++i) out += s[i] ? static_cast<char>(s[i]) : '0';
    return out;
}

TEST(WsprintfEx, SizeZeroGivesErrorTextButRecordsTheContinuation) {
    char16_t buffer[32] = u"abc";
    size_t length = 99;
    const char16_t *result = WsprintfEx(buffer, 0, &length, u"%s", u"ignored");
    EXPECT_EQ(N(result), "Dest size is 0 or too large from WsprintfEx");
    EXPECT_EQ(N(buffer), "abc");
    EXPECT_EQ(length, 3u);
    // Continues at the end of the existing text.
    EXPECT_EQ(WsprintfEx(nullptr, 29, &length, u"%02d", 7), buffer + 3);
    EXPECT_EQ(N(buffer), "abc07");
    EXPECT_EQ(length, 2u);
}

TEST(WsprintfEx, ContinuesPerThreadAndReturnsDestinationWhenCut) {
    char16_t buffer[16] = {};
    size_t length = 0;
    EXPECT_EQ(WsprintfEx(buffer, 16, &length, u"%s", u"Talvern"), buffer);
    WsprintfEx(nullptr, 16 - length, &length, u" %d", 7);
    EXPECT_EQ(N(buffer), "Talvern 7");

    // A cut text is still the destination, with the first size - 1 characters.
    EXPECT_EQ(WsprintfEx(nullptr, 4, &length, u"%s", u"abcdef"), buffer + 9);
    EXPECT_EQ(N(buffer), "Talvern 7abc");
    EXPECT_EQ(length, 3u);

    // Another thread has no continuation yet: nothing is written anywhere.
    std::thread other([&] {
        size_t otherLength = 5;
        EXPECT_EQ(N(WsprintfEx(nullptr, 8, &otherLength, u"x")), "Dest size is 0 or too large from WsprintfEx");
        EXPECT_EQ(otherLength, 0u);
    });
    other.join();
    EXPECT_EQ(N(buffer), "Talvern 7abc");
}

TEST(WstrcatEx, OverwritesFromThePositionWithinTheBuffer) {
    char16_t buffer[12] = u"Hello world";
    size_t length = 0;
    // Room from position 6 to the end of the 12-character buffer: 6, so 5 characters fit.
    EXPECT_EQ(WstrcatEx(buffer, buffer + 6, 12, &length, u"%s", u"there!"), buffer);
    EXPECT_EQ(N(buffer), "Hello there");
    EXPECT_EQ(length, 5u);

    char16_t text[32] = u"one";
    EXPECT_EQ(WstrcatEx(text, text + 3, 32, &length, u", %s", u"two"), text);
    EXPECT_EQ(WstrcatEx(text, nullptr, 32, &length, u", %d", 3), text); // continues
    EXPECT_EQ(N(text), "one, two, 3");
    EXPECT_EQ(length, 3u);
}

TEST(WstrcatEx, RefusesBadSizesAndPositions) {
    char16_t text[16] = u"abc";
    size_t length = 0;
    EXPECT_EQ(N(WstrcatEx(text, text, 0, &length, u"x")), "Dest size is 0 or too large from WstrcatEx");
    // A size smaller than the position's offset cannot hold anything.
    EXPECT_EQ(N(WstrcatEx(text, text + 3, 2, &length, u"x")), "Dest size is 0 or too large from WstrcatEx");
    // A position beyond the text would make the room meaningless.
    EXPECT_EQ(N(WstrcatEx(text, text + 5, 16, &length, u"x")), "Dest size is 0 or too large from WstrcatEx");
    EXPECT_EQ(N(text), "abc");
}

TEST(BuildOFNFilter, SinglePairGivesDialogFilterList) {
    const char16_t *pairs[] = {u"Backup", u"*.vkb"};
    const char16_t *filter = BuildOFNFilter(pairs, 1);
    EXPECT_EQ(Chars(filter, 22), "Backup (*.vkb)0*.vkb00");
}

TEST(BuildOFNFilter, SeveralPairsAndCutLists) {
    const char16_t *pairs[] = {u"Text files", u"*.txt", u"All", u"*.*"};
    EXPECT_EQ(Chars(BuildOFNFilter(pairs, 2), 40), "Text files (*.txt)0*.txt0All (*.*)0*.*00");

    // A pair that does not fit whole is left out; the list stays well formed.
    const std::u16string longDescription(700, u'd');
    const std::u16string tooLong(1100, u'd');
    const char16_t *longPairs[] = {u"First", u"*.a", tooLong.c_str(), u"*.b", u"Last", u"*.c"};
    EXPECT_EQ(Chars(BuildOFNFilter(longPairs, 3), 18), "First (*.a)0*.a000");
    const char16_t *fits[] = {longDescription.c_str(), u"*.a", longDescription.c_str(), u"*.b"};
    const char16_t *filter = BuildOFNFilter(fits, 2);
    EXPECT_EQ(std::u16string(filter).size(), 700u + 6);
    EXPECT_EQ(filter[710], 0);
    EXPECT_EQ(filter[711], 0);

    // No pairs: an empty list rather than a read of missing pairs.
    const char16_t *empty = BuildOFNFilter(nullptr, 0);
    EXPECT_EQ(empty[0], 0);
    EXPECT_EQ(empty[1], 0);
}

} // namespace
