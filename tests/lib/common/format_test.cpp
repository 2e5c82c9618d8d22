#include "common/format.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace {

using vk::test::N;

std::u16string Fmt(const char16_t *format, ...) {
    char16_t buffer[256];
    va_list args;
    va_start(args, format);
    const int32_t status = vk::FormatBoundedV(buffer, 256, format, args);
    va_end(args);
    EXPECT_EQ(status, vk::kFormatOk);
    return buffer;
}

TEST(FormatText, Directives) {
    struct Case {
        std::u16string got;
        const char *want;
    };
    const Case cases[] = {
        {Fmt(u"%d|%i|%u", 42, -7, 3000000000u), "42|-7|3000000000"},
        {Fmt(u"%02d:%02d", 5, 123), "05:123"},
        {Fmt(u"%05X|%x|%#x|%#X", 0xBEEF, 255u, 255u, 0u), "0BEEF|ff|0xff|0"},
        {Fmt(u"%I64d|%lld|%I64u", int64_t(-9007199254740993LL), 123456789012LL, uint64_t(18446744073709551615ULL)),
         "-9007199254740993|123456789012|18446744073709551615"},
        {Fmt(u"%I32d|%hd|%hu|%ld", -5, 70000, 70000, -3L), "-5|4464|4464|-3"},
        {Fmt(u"%d|%d", INT_MIN, INT_MAX), "-2147483648|2147483647"},
        {Fmt(u"%lld", LLONG_MIN), "-9223372036854775808"},
        {Fmt(u"[%-5s][%5s][%.2s][%-4d][%+d][% d]", u"ab", u"ab", u"abcd", 7, 7, 7),
         "[ab   ][   ab][ab][7   ][+7][ 7]"},
        {Fmt(u"[%05d][%-05d][%5.3d][%.0d]", -42, -42, 7, 0), "[-0042][-42  ][  007][]"},
        {Fmt(u"[%*d][%-*d][%*d][%.*s]", 4, 1, 3, 2, -3, 9, 1, u"xyz"), "[   1][2  ][9  ][x]"},
        {Fmt(u"%S|%ls|%hs|%s", u"wide", u"long", "narrow", static_cast<const char16_t *>(nullptr)),
         "wide|long|narrow|(null)"},
        {Fmt(u"%c%c%3c|100%%", u'A', 0x00E9, u'z'), "A\u00e9  z|100%"},
        {Fmt(u"%o|%#o", 8u, 8u), "10|010"},
        // Unknown and incomplete directives are kept as they stand.
        {Fmt(u"%q %y|%"), "%q %y|%"},
    };
    for (const Case &c : cases) EXPECT_EQ(N(c.got), c.want);
}

TEST(FormatBounded, SizeLimits) {
    char16_t buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), u'#');

    // Invalid sizes leave the destination untouched.
    EXPECT_EQ(vk::FormatBounded(buffer, 0, u"abc"), vk::kFormatInvalidArg);
    EXPECT_EQ(vk::FormatBounded(buffer, size_t(2147483648u), u"abc"), vk::kFormatInvalidArg);
    EXPECT_EQ(buffer[0], u'#');

    // Size 1: always an empty string; success only for empty output.
    EXPECT_EQ(vk::FormatBounded(buffer, 1, u"x"), vk::kFormatTruncated);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], u'#');
    EXPECT_EQ(vk::FormatBounded(buffer, 1, u"%s", u""), vk::kFormatOk);
    EXPECT_EQ(buffer[0], 0);

    // Size 10: 9 characters fit exactly, 10 are cut to the first 9.
    EXPECT_EQ(vk::FormatBounded(buffer, 10, u"%s", u"123456789"), vk::kFormatOk);
    EXPECT_EQ(N(buffer), "123456789");
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(vk::FormatBounded(buffer, 10, u"%s%d", u"12345678", 90), vk::kFormatTruncated);
    EXPECT_EQ(N(buffer), "123456789");
    EXPECT_EQ(buffer[10], u'#'); // nothing written past the buffer size
}

TEST(FormatBounded, HugeWidthIsCutWithoutWritingPastTheBuffer) {
    char16_t buffer[8] = {};
    buffer[7] = u'#';
    EXPECT_EQ(vk::FormatBounded(buffer, 7, u"%*d", 2000000000, 1), vk::kFormatTruncated);
    EXPECT_EQ(N(buffer), "      ");
    EXPECT_EQ(buffer[7], u'#');
}

TEST(FormatBounded, NullFormatGivesEmptyCutText) {
    char16_t buffer[4] = {u'a', u'b', u'c', u'd'};
    EXPECT_EQ(vk::FormatBounded(buffer, 4, nullptr), vk::kFormatTruncated);
    EXPECT_EQ(buffer[0], 0);
}

} // namespace
