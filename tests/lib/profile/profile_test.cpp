#include "lib/services/profile.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/memory.h"
#include "platform/ini/ini.h"
#include "vaultkeeplib.h"
#include "tests/support/test_support.h"

namespace {

using vk::test::N;
using vk::test::TempFolder;
using vk::test::U;
using vk::test::WriteFile;

struct ProfileTest : ::testing::Test {
    TempFolder tmp;
    std::u16string file = tmp.ufile("test.ini");

    void Write(const std::string &text) {
        vk::ini::Flush(nullptr);
        WriteFile(tmp.file("test.ini"), text);
        vk::ini::Forget(file.c_str());
    }
    std::u16string Read(const char16_t *section, const char16_t *key) {
        return vk::ini::ReadString(section, key, u"", file);
    }
    // The names of a NameList block, which is freed.
    static std::vector<std::string> Names(char16_t *list) {
        std::vector<std::string> names;
        for (const char16_t *n = list; n && *n; n = vk::lib::NextName(n)) names.push_back(N(n));
        vk::FreeBlock(list);
        return names;
    }
};

TEST_F(ProfileTest, ReadProfileAllocGrowsUntilTheValueIsWhole) {
    for (size_t length : {1022u, 1023u, 1024u, 2047u, 5000u, 70000u}) {
        const std::string value(length, 'v');
        Write("[S]\nK=" + value + "\n");
        char16_t *read = vk::lib::ReadProfileAlloc(u"S", u"K", file.c_str());
        ASSERT_NE(read, nullptr);
        EXPECT_EQ(N(read), value) << length;
        vk::FreeBlock(read);
    }
}

TEST_F(ProfileTest, ReadProfileAllocListsGrowToo) {
    std::string text = "[Many]\n";
    std::vector<std::string> keys;
    for (int i = 0; i < 400; ++i) {
        keys.push_back("Key" + std::to_string(1000 + i));
        text += keys.back() + "=x\n";
    }
    Write(text + "[Other]\n");
    EXPECT_EQ(Names(vk::lib::ReadProfileAlloc(u"Many", nullptr, file.c_str())), keys);
    EXPECT_EQ(Names(vk::lib::ReadProfileAlloc(nullptr, nullptr, file.c_str())),
              (std::vector<std::string>{"Many", "Other"}));
}

TEST_F(ProfileTest, MissingFileGivesEmptyNameListAndEmptyValue) {
    const std::u16string missing = tmp.ufile("none.ini");
    char16_t *list = vk::lib::ReadProfileAlloc(nullptr, nullptr, missing.c_str());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list[0], 0);
    EXPECT_EQ(vk::lib::CountNames(list), 0);
    vk::FreeBlock(list);
    char16_t *value = vk::lib::ReadProfileAlloc(u"S", u"K", missing.c_str());
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value[0], 0);
    vk::FreeBlock(value);
}

TEST_F(ProfileTest, ReadProfileAllocPassesAllocationFailureOn) {
    Write("[S]\nK=v\n");
    vk::FailNextAllocations(1);
    EXPECT_EQ(vk::lib::ReadProfileAlloc(u"S", u"K", file.c_str()), nullptr);
    vk::FailNextAllocations(0);
}

TEST_F(ProfileTest, CopyIniSectionReplacesTheDestinationSection) {
    Write("[Src]\nA=1\nB=\nC=3\n");
    const std::u16string dest = tmp.ufile("dest.ini");
    WriteFile(tmp.file("dest.ini"), "[Src]\nOld=gone\n[Keep]\nX=y\n");
    char16_t *keys = vk::lib::ReadProfileAlloc(u"Src", nullptr, file.c_str());
    ASSERT_EQ(Names(vk::lib::ReadProfileAlloc(u"Src", nullptr, file.c_str())),
              (std::vector<std::string>{"A", "B", "C"}));
    // "Missing" is not in the source: it is written as an empty value.
    std::u16string list(keys, 6);
    list += u"Missing";
    list += u'\0';
    list += u'\0';
    vk::FreeBlock(keys);
    EXPECT_EQ(vk::lib::CopyIniSection(u"Src", list.c_str(), file.c_str(), dest.c_str()), StatusOk);
    EXPECT_EQ(Names(vk::lib::ReadProfileAlloc(u"Src", nullptr, dest.c_str())),
              (std::vector<std::string>{"A", "B", "C", "Missing"}));
    EXPECT_EQ(vk::ini::ReadString(u"Src", u"A", u"-", dest), u"1");
    EXPECT_EQ(vk::ini::ReadString(u"Src", u"B", u"-", dest), u"");
    EXPECT_EQ(vk::ini::ReadString(u"Src", u"C", u"-", dest), u"3");
    EXPECT_EQ(vk::ini::ReadString(u"Keep", u"X", u"-", dest), u"y");
}

TEST_F(ProfileTest, CopyIniSectionWithEmptyListEmptiesTheDestination) {
    Write("[Src]\nA=1\n");
    const std::u16string dest = tmp.ufile("dest.ini");
    WriteFile(tmp.file("dest.ini"), "[Src]\nOld=gone\n");
    const char16_t emptyList[] = {0, 0};
    EXPECT_EQ(vk::lib::CopyIniSection(u"Src", emptyList, file.c_str(), dest.c_str()), StatusOk);
    EXPECT_EQ(vk::lib::CopyIniSection(u"Src", nullptr, file.c_str(), dest.c_str()), StatusOk);
    EXPECT_EQ(vk::ini::ReadString(u"Src", u"Old", u"-", dest), u"-");
}

TEST_F(ProfileTest, CopyIniSectionReportsAFailedWrite) {
    Write("[Src]\nA=1\n");
    // A folder where the destination file should be: no write can succeed.
    const std::u16string dest = tmp.ufile("blocked");
    vk::test::WriteFile(tmp.file("blocked/x"), "");
    const char16_t keys[] = u"A\0";
    EXPECT_EQ(vk::lib::CopyIniSection(u"Src", keys, file.c_str(), dest.c_str()), StatusIniFail);
}

TEST_F(ProfileTest, AddNumberedEntryWalksTheRunFromKeyOne) {
    struct Case {
        std::string before;
        const char16_t *value;
        std::vector<std::string> after; // keys 1, 2, 3
    };
    const Case cases[] = {
        {"[L]\n1=a\n2=B\n", u"b", {"a", "B", ""}},    // equal without regard to case: nothing written
        {"[L]\n1=a\n2=B\n", u"c", {"a", "B", "c"}},   // the next free number
        {"[L]\n1=a\n3=c\n", u"c", {"a", "c", "c"}},   // key 3 is never looked at
        {"", u"first", {"first", "", ""}},            // no file yet: file and section created
        {"[L]\n1=a\n2=\n3=b\n", u"b", {"a", "b", "b"}}, // an empty value ends the run
    };
    for (const Case &c : cases) {
        Write(c.before);
        if (c.before.empty()) std::filesystem::remove(tmp.file("test.ini"));
        vk::lib::AddNumberedEntry(u"L", c.value, file.c_str());
        EXPECT_EQ(N(Read(u"L", u"1")), c.after[0]) << c.before;
        EXPECT_EQ(N(Read(u"L", u"2")), c.after[1]) << c.before;
        EXPECT_EQ(N(Read(u"L", u"3")), c.after[2]) << c.before;
    }
}

TEST_F(ProfileTest, DeleteIniSectionAndAccessTable) {
    Write("[A]\nk=1\n[B]\nn=42\n");
    EXPECT_EQ(vk::lib::ProfileGetInt(u"B", u"n", 0, file.c_str()), 42);
    EXPECT_TRUE(vk::lib::DeleteIniSection(u"A", file.c_str()));
    EXPECT_EQ(Names(vk::lib::ReadProfileAlloc(nullptr, nullptr, file.c_str())), (std::vector<std::string>{"B"}));
    const char16_t lines[] = u"x=1\0y=2\0";
    EXPECT_TRUE(vk::lib::Profile().writeSection(u"B", lines, file.c_str()));
    EXPECT_EQ(Names(vk::lib::ReadProfileAlloc(u"B", nullptr, file.c_str())), (std::vector<std::string>{"x", "y"}));
}

} // namespace
