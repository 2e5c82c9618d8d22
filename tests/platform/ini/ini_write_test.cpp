// Writes change the one line they write (or add one line, or remove a
// section's lines) and keep every other byte of the file, in its encoding.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "tests/support/test_support.h"

namespace {

using vk::test::ReadFile;
using vk::test::TempFolder;
using vk::test::U;
using vk::test::WriteFile;

std::string Utf16Le(const std::u16string &s, bool bom = true) {
    std::string out = bom ? std::string("\xFF\xFE") : std::string();
    for (char16_t c : s) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

std::string Utf16Be(const std::u16string &s) {
    std::string out("\xFE\xFF");
    for (char16_t c : s) {
        out.push_back(static_cast<char>(c >> 8));
        out.push_back(static_cast<char>(c & 0xFF));
    }
    return out;
}

using Op = std::function<bool(const char16_t *file)>;

Op Set(const char16_t *s, const char16_t *k, const char16_t *v) {
    return [=](const char16_t *f) { return vk::ini::WriteString(s, k, v, f); };
}
Op Section(const char16_t *s, const char16_t *lines) {
    return [=](const char16_t *f) { return vk::ini::WriteSection(s, lines, f); };
}

struct EditCase {
    const char *name;
    std::string before;
    Op op;
    std::string after;
};

class IniEdit : public testing::TestWithParam<EditCase> {};

TEST_P(IniEdit, ChangesOnlyWhatIsWritten) {
    const EditCase &c = GetParam();
    TempFolder dir;
    const std::u16string file = dir.ufile("a.ini");
    WriteFile(dir.file("a.ini"), c.before);
    ASSERT_TRUE(c.op(file.c_str()));
    ASSERT_TRUE(vk::ini::Flush(file.c_str()));
    EXPECT_EQ(ReadFile(dir.file("a.ini")), c.after);
    vk::ini::Forget(file.c_str());
}

const std::string kMixed = "; head\n[A]\nx = 1\n\n[B]\r\ny=2\n";
const std::string kBad = std::string("[A]\r\nbin=\x01\xff\xfe\x00zz\r\nlatin=\xe9\x80\r\nk=1\r\n", 32);
const std::string kLong = "[A]\r\nlong=" + std::string(70000, 'x') + "\r\nk=1\r\n";

INSTANTIATE_TEST_SUITE_P(
    Lines, IniEdit,
    testing::Values(
        EditCase{"ValueKeepsNameAndBlanks", kMixed, Set(u"a", u"X", u"5"), "; head\n[A]\nx = 5\n\n[B]\r\ny=2\n"},
        EditCase{"NewKeyBeforeBlankLines", kMixed, Set(u"A", u"z", u"3"), "; head\n[A]\nx = 1\nz=3\n\n[B]\r\ny=2\n"},
        EditCase{"NewKeyTakesCommonLineEnd", "[A]\r\na=1\nb=2\r\n", Set(u"A", u"c", u"3"),
                 "[A]\r\na=1\nb=2\r\nc=3\r\n"},
        EditCase{"NewSectionAfterUnendedLine", "[A]\r\nx=1", Set(u" B ", u"y", u"2"), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n"},
        EditCase{"LfFileGetsLf", "[A]\nx=1\n", Set(u"B", u"y", u"2"), "[A]\nx=1\n[B]\ny=2\n"},
        EditCase{"BareNameGetsValue", "[A]\r\n  noeq  \r\nnoeq=2\r\n", Set(u"A", u"noeq", u"v"),
                 "[A]\r\n  noeq=v\r\nnoeq=2\r\n"},
        EditCase{"FirstOfDuplicateSections", "[A]\r\nx=1\r\n[a]\r\nx=2\r\n", Set(u"A", u"x", u"9"),
                 "[A]\r\nx=9\r\n[a]\r\nx=2\r\n"},
        EditCase{"DeleteKeyOnly", kMixed, Set(u"A", u"x", nullptr), "; head\n[A]\n\n[B]\r\ny=2\n"},
        EditCase{"DeleteSectionToNextHeader", kMixed, Set(u"A", nullptr, nullptr), "; head\n[B]\r\ny=2\n"},
        EditCase{"DeleteFirstDuplicateOnly", "[A]\r\nx=1\r\n[a]\r\nx=2\r\n", Set(u"A", nullptr, nullptr),
                 "[a]\r\nx=2\r\n"},
        EditCase{"LinesBeforeFirstSection", "; top\r\n[A]\r\nx=1\r\n", Set(u"", u"g", u"1"),
                 "; top\r\ng=1\r\n[A]\r\nx=1\r\n"},
        EditCase{"ReplaceSectionKeepsOthers", "[A]\r\nx=1\r\n;c\r\n\r\n[B]\r\ny=2\r\n",
                 Section(u"A", u"p=1\0q = 2\0bare\0"), "[A]\r\np=1\r\nq = 2\r\n\r\n[B]\r\ny=2\r\n"},
        EditCase{"ReplaceSectionCreates", "[A]\r\nx=1", Section(u"N", u"p=1\0"), "[A]\r\nx=1\r\n[N]\r\np=1\r\n"},
        EditCase{"ReplaceSectionEmpties", "[A]\r\nx=1\r\n[B]\r\n", Section(u"A", u""), "[A]\r\n[B]\r\n"},
        EditCase{"QuotesAsGiven", "[A]\r\n", Set(u"A", u"q", u"\" v \""), "[A]\r\nq=\" v \"\r\n"},
        EditCase{"OddBytesKept", kBad, Set(u"A", u"k", u"2"), kBad.substr(0, kBad.size() - 3) + "2\r\n"},
        EditCase{"LongLineKept", kLong, Set(u"A", u"k", u"2"), kLong.substr(0, kLong.size() - 3) + "2\r\n"},
        EditCase{"Utf16LeStays", Utf16Le(u"[A]\r\n;\u00e9\r\nk=1\r\n"), Set(u"A", u"k", u"\u65e5"),
                 Utf16Le(u"[A]\r\n;\u00e9\r\nk=\u65e5\r\n")},
        EditCase{"Utf16BeStays", Utf16Be(u"[A]\nk=1\n"), Set(u"A", u"n", u"\u00fc"), Utf16Be(u"[A]\nk=1\nn=\u00fc\n")},
        EditCase{"Utf8BomStays", "\xEF\xBB\xBF[A]\r\nk=1\r\n", Set(u"A", u"k", u"\u00e9"),
                 "\xEF\xBB\xBF[A]\r\nk=\xC3\xA9\r\n"},
        EditCase{"Utf8Stays", "[A]\r\nk=\xC3\xBC\r\n", Set(u"A", u"n", u"\u00e9"),
                 "[A]\r\nk=\xC3\xBC\r\nn=\xC3\xA9\r\n"},
        EditCase{"AnsiStays", "[A]\r\nk=\xE9\r\n", Set(u"A", u"n", u"\u20ac"), "[A]\r\nk=\xE9\r\nn=\x80\r\n"},
        // A character without a single-byte form: the whole file becomes UTF-16, nothing is lost.
        EditCase{"AnsiBecomesUtf16", "[A]\nk=\xE9\x80\n", Set(u"A", u"n", u"\u65e5"),
                 Utf16Le(u"[A]\nk=\u00e9\u20ac\nn=\u65e5\n")},
        // Single bytes that would read back as UTF-8 ("Ã©" is C3 A9): UTF-16 as well.
        EditCase{"AmbiguousBytesBecomeUtf16", "[A]\r\n", Set(u"A", u"k", u"\u00c3\u00a9"),
                 Utf16Le(u"[A]\r\nk=\u00c3\u00a9\r\n")}),
    [](const testing::TestParamInfo<EditCase> &info) { return std::string(info.param.name); });

TEST(IniWrite, NewFileIsSingleByteWhenEverythingFits) {
    TempFolder dir;
    const std::u16string a = dir.ufile("a.ini"), b = dir.ufile("b.ini");
    ASSERT_TRUE(vk::ini::WriteString(u"S", u"k", u"\u00e9\u20ac", a.c_str()));
    ASSERT_TRUE(vk::ini::WriteString(u"S", u"k", u"\u65e5", b.c_str()));
    // The file exists as soon as the write succeeded.
    EXPECT_EQ(ReadFile(dir.file("a.ini")), "[S]\r\nk=\xE9\x80\r\n");
    EXPECT_EQ(ReadFile(dir.file("b.ini")), Utf16Le(u"[S]\r\nk=\u65e5\r\n"));
    vk::ini::Forget(nullptr);
    EXPECT_EQ(vk::ini::ReadString(u"s", u"K", u"", b), u"\u65e5");
    EXPECT_EQ(vk::ini::ReadString(u"s", u"K", u"", a), u"\u00e9\u20ac");
}

TEST(IniWrite, RefusesTextThatWouldNotReadBack) {
    TempFolder dir;
    const std::string before = "[A]\r\nk=1\r\n";
    WriteFile(dir.file("a.ini"), before);
    const std::u16string file = dir.ufile("a.ini");
    struct {
        const char16_t *section, *key, *value;
    } bad[] = {
        // (Blanks around names, line ends included, are trimmed like any blank.)
        {u"A", u"k", u"1\r\n[Evil]"}, {u"A", u"k\nx", u"1"}, {u"A\rB", u"k", u"1"},
        {u"A", u"a=b", u"1"},         {u"A", u"[x", u"y]"},   {u"Ne\nw", u"k", u"1"},
    };
    for (const auto &b : bad) {
        vk::fs::SetLastError(0);
        EXPECT_FALSE(vk::ini::WriteString(b.section, b.key, b.value, file.c_str()));
        EXPECT_EQ(vk::fs::LastError(), vk::fs::kErrorInvalidParameter);
    }
    EXPECT_FALSE(vk::ini::WriteSection(u"A", u"ok=1\0bad=\n\0", file.c_str()));
    EXPECT_FALSE(vk::ini::WriteSection(u"A", u"[hdr]=1\0", file.c_str()));
    ASSERT_TRUE(vk::ini::Flush(file.c_str()));
    EXPECT_EQ(ReadFile(dir.file("a.ini")), before);
    EXPECT_EQ(vk::ini::ReadString(u"A", u"k", u"", file), u"1");
    vk::ini::Forget(file.c_str());
}

TEST(IniWrite, ReadsSeePendingWritesBeforeTheFlush) {
    TempFolder dir;
    const std::string before = "[A]\r\nk=1\r\n";
    WriteFile(dir.file("a.ini"), before);
    const std::u16string file = dir.ufile("a.ini");
    vk::ini::Batch batch;
    ASSERT_TRUE(vk::ini::WriteString(u"A", u"k", u"2", file.c_str()));
    ASSERT_TRUE(vk::ini::WriteString(u"B", u"n", u"3", file.c_str()));
    EXPECT_EQ(ReadFile(dir.file("a.ini")), before); // not yet on disk
    EXPECT_EQ(vk::ini::GetInt(u"A", u"k", 0, file.c_str()), 2);
    EXPECT_EQ(vk::ini::ReadString(u"b", u"N", u"", file), u"3");
    // A copy through the file system sees them.
    ASSERT_TRUE(vk::ini::FlushBeforeFileRead(dir.upath()));
    EXPECT_EQ(ReadFile(dir.file("a.ini")), "[A]\r\nk=2\r\n[B]\r\nn=3\r\n");
    vk::ini::Forget(file.c_str());
}

TEST(IniWrite, LongValuesAndLinesReadWhole) {
    TempFolder dir;
    const std::string big(70000, 'v');
    WriteFile(dir.file("a.ini"), "[A]\nbig=" + big + "\n" + std::string(100000, 'j') + "\nafter=1");
    const std::u16string file = dir.ufile("a.ini");
    EXPECT_EQ(vk::ini::ReadString(u"A", u"big", u"", file), U(big));
    std::vector<char16_t> buffer(70001, u'#');
    EXPECT_EQ(vk::ini::GetString(u"A", u"big", u"", buffer.data(), 70001, file.c_str()), 70000u);
    EXPECT_EQ(vk::ini::GetString(u"A", u"big", u"", buffer.data(), 70000, file.c_str()), 69999u);
    EXPECT_EQ(vk::ini::GetInt(u"A", u"after", 0, file.c_str()), 1);
    ASSERT_TRUE(vk::ini::WriteString(u"A", u"big", u"small", file.c_str()));
    ASSERT_TRUE(vk::ini::Flush(file.c_str()));
    EXPECT_EQ(ReadFile(dir.file("a.ini")), "[A]\nbig=small\n" + std::string(100000, 'j') + "\nafter=1");
    vk::ini::Forget(file.c_str());
}

TEST(IniWrite, SameValueWritesNothing) {
    TempFolder dir;
    WriteFile(dir.file("a.ini"), "[A]\r\nk =  \"v\"  \r\n");
    const std::u16string file = dir.ufile("a.ini");
    vk::fs::FileInfo before{};
    ASSERT_TRUE(vk::fs::Stat(file, before));
    ASSERT_TRUE(vk::ini::WriteString(u"A", u"k", u"\"v\"", file.c_str()));
    ASSERT_TRUE(vk::ini::Flush(file.c_str()));
    vk::fs::FileInfo after{};
    ASSERT_TRUE(vk::fs::Stat(file, after));
    EXPECT_EQ(before.inode, after.inode);
    EXPECT_EQ(ReadFile(dir.file("a.ini")), "[A]\r\nk =  \"v\"  \r\n");
    vk::ini::Forget(file.c_str());
}

} // namespace
