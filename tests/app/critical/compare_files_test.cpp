// The comparison of a critical file with its last copy.
#include <gtest/gtest.h>

#include <string>

#include "app/critical/critical_backup.h"
#include "tests/support/test_support.h"

using namespace vk::test;

namespace {

struct Case {
    const char *name;
    std::string current, copy;
    const char16_t *prefixes; // null: whole-file comparison
    bool equal;
};

std::string Big(char last) {
    std::string s;
    for (int i = 0; i < 800; ++i) s += "Key" + std::to_string(i) + "=value\r\n";
    s += last;
    return s;
}

} // namespace

TEST(CompareFiles, WholeFileAndLineByLine) {
    using namespace std::string_literals;
    const Case cases[] = {
        {"identical", "a=1\r\nb=2\r\n", "a=1\r\nb=2\r\n", nullptr, true},
        {"letter case only", "[Global]\r\nUnits=Metric\r\n", "[GLOBAL]\r\nunits=METRIC\r\n", nullptr, true},
        {"CR LF reads as LF", "a=1\r\nb=2\r\n", "a=1\nb=2\n", nullptr, true},
        {"one more line end", "a=1", "a=1\r\n", nullptr, false},
        {"different text", "a=1\r\n", "a=2\r\n", nullptr, false},
        {"difference after a NUL", "head\0tail one\r\n"s, "head\0tail two\r\n"s, nullptr, false},
        {"same after a NUL, case aside", "head\0Tail\r\n"s, "HEAD\0tail\r\n"s, nullptr, true},
        {"NUL against text", "ab\0"s, "abc", nullptr, false},
        {"difference beyond the first block", Big('x'), Big('y'), nullptr, false},
        {"Windows-1252 letters fold", "Stra\xc9" "e\r\n", "stra\xe9" "e\r\n", nullptr, true},
        {"UTF-16 copy of itself", "\xff\xfe" "a\0=\0" "1\0"s, "\xff\xfe" "A\0=\0" "1\0"s, nullptr, true},
        {"same text, other encoding", "\xff\xfe" "a\0"s, "a", nullptr, false},
        {"UTF-8 against Windows-1252 bytes", "caf\xc3\xa9", "caf\xe9", nullptr, false},
        // With ignore prefixes.
        {"ignored line differs", "LastJob=1\r\nUnits=Metric\r\n", "LastJob=2\r\nUnits=Metric\r\n", u"LastJob=", true},
        {"prefix case ignored", "lastjob=1\r\nx\r\n", "LastJob=2\r\nx\r\n", u"LastJob=;Left=", true},
        {"second prefix", "Left=5\r\nx\r\n", "Left=9\r\nx\r\n", u"LastJob=;Left=", true},
        {"other line differs", "LastJob=1\r\nUnits=Metric\r\n", "LastJob=1\r\nUnits=Feet\r\n", u"LastJob=", false},
        {"line case ignored", "LastJob=1\r\nUnits=Metric\r\n", "LastJob=1\r\nUNITS=metric\r\n", u"LastJob=", true},
        {"last line ignored, identical", "a=1\r\nLastJob=3\r\n", "a=1\r\nLastJob=3\r\n", u"LastJob=", true},
        {"last line ignored, no line end", "a=1\r\nLastJob=3", "a=1\r\nLastJob=4", u"LastJob=", true},
        {"current has an extra ignored line", "a=1\r\nLastJob=3\r\n", "a=1\r\n", u"LastJob=", true},
        {"copy has an extra line", "a=1\r\n", "a=1\r\nb=2\r\n", u"LastJob=", false},
        {"only the current file's line counts", "a=1\r\n", "LastJob=1\r\n", u"LastJob=", false},
        {"empty prefix entries hide nothing", "LastJob=1\r\nUnits=Metric\r\n", "LastJob=2\r\nUnits=Feet\r\n",
         u"LastJob=;;", false},
        {"empty prefix list", "a=1\r\n", "a=2\r\n", u"", false},
        {"NUL inside a line", "a=1\0x\r\n"s, "a=1\0y\r\n"s, u"LastJob=", false},
    };
    for (const Case &c : cases) {
        TempFolder dir;
        WriteFile(dir.file("current"), c.current);
        WriteFile(dir.file("copy"), c.copy);
        EXPECT_EQ(vk::app::CompareFiles(dir.ufile("current"), dir.ufile("copy"), c.prefixes), c.equal) << c.name;
    }
}

TEST(CompareFiles, UnreadableFileIsDifferent) {
    TempFolder dir;
    WriteFile(dir.file("current"), "a");
    EXPECT_FALSE(vk::app::CompareFiles(dir.ufile("current"), dir.ufile("missing"), nullptr));
    EXPECT_FALSE(vk::app::CompareFiles(dir.ufile("missing"), dir.ufile("current"), u"x"));
    EXPECT_FALSE(vk::app::CompareFiles(dir.ufile("current"), dir.upath(), nullptr)); // a folder
}
