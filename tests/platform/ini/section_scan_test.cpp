// The quick look for a section's name in a file's bytes, which lets a
// restore pass over files without a version record unparsed.
#include <gtest/gtest.h>

#include <string>

#include "platform/ini/ini.h"
#include "tests/support/test_support.h"

namespace {

using vk::test::TempFolder;
using vk::test::WriteFile;

std::string Utf16(const std::string &ascii, bool bigEndian) {
    std::string out = bigEndian ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2);
    for (char c : ascii) {
        if (bigEndian) out += '\0';
        out += c;
        if (!bigEndian) out += '\0';
    }
    return out;
}

TEST(SectionScan, FindsTheNameInEveryEncodingAndEveryPlaceOnly) {
    TempFolder t;
    struct Case {
        const char *name;
        std::string bytes;
        bool holds;
    };
    const std::string block(256 * 1024 - 7, 'x'); // puts the name across two read blocks
    const Case cases[] = {
        {"ansi", "[TalvernFileInfo]\r\nTalvernFileVersion=1.2.3.4\r\n", true},
        {"other case", "[talvernfileINFO]\r\n", true},
        {"utf16le", Utf16("[TalvernFileInfo]\r\n", false), true},
        {"utf16be", Utf16("[TalvernFileInfo]\r\n", true), true},
        {"split", block + "[TalvernFileInfo]\r\n", true},
        {"without", "[Other]\r\nTalvernFile=1\r\n", false},
        {"binary", std::string(300000, '\x90') + "MZ", false},
        {"empty", "", false},
    };
    for (const Case &c : cases) {
        const std::string path = t.file(std::string(c.name) + ".bin");
        WriteFile(path, c.bytes);
        EXPECT_EQ(vk::ini::MayHoldSection(vk::test::U(path), "TalvernFileInfo"), c.holds) << c.name;
    }
    // A file it cannot read is left to the engine.
    EXPECT_TRUE(vk::ini::MayHoldSection(vk::test::U(t.file("missing.ini")), "TalvernFileInfo"));
}

TEST(SectionScan, EditsNotOnDiskYetMakeEveryFileAMaybe) {
    TempFolder t;
    const std::string path = t.file("a.ini");
    WriteFile(path, "[A]\r\n");
    const std::u16string file = vk::test::U(path);
    {
        vk::ini::Batch call;
        ASSERT_TRUE(vk::ini::WriteString(u"TalvernFileInfo", u"TalvernFileVersion", u"2.0.0.0", file.c_str()));
        EXPECT_TRUE(vk::ini::MayHoldSection(file, "TalvernFileInfo"));
    }
    EXPECT_TRUE(vk::ini::MayHoldSection(file, "TalvernFileInfo")); // now on disk
    vk::ini::Forget(file.c_str());
}

} // namespace
