#include "common/file_helpers.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/fs/fs.h"
#include "tests/support/test_support.h"

namespace {

using vk::test::FileExists;
using vk::test::TempFolder;
using vk::test::U;
using vk::test::WriteFile;

TEST(CreateDirectoryTree, CreatesMissingLevelsAndAcceptsExisting) {
    TempFolder tmp;
    const std::u16string deep = tmp.ufile("a/b/c");
    EXPECT_TRUE(vk::CreateDirectoryTree(deep.c_str()));
    EXPECT_TRUE(vk::fs::IsDirectory(deep));
    EXPECT_TRUE(vk::CreateDirectoryTree(deep.c_str())); // exists already
    const std::u16string trailing = tmp.ufile("x/y/");
    EXPECT_TRUE(vk::CreateDirectoryTree(trailing.c_str()));
    EXPECT_TRUE(vk::fs::IsDirectory(tmp.ufile("x/y")));
    EXPECT_TRUE(vk::CreateDirectoryTree(u"/"));
}

TEST(CreateDirectoryTree, FailsWhereNoFolderCanBe) {
    TempFolder tmp;
    WriteFile(tmp.file("file"), "x");
    // A file of that name is not a folder.
    EXPECT_FALSE(vk::CreateDirectoryTree(tmp.ufile("file").c_str()));
    // A file in the middle of the path.
    EXPECT_FALSE(vk::CreateDirectoryTree(tmp.ufile("file/sub/deeper").c_str()));
    EXPECT_FALSE(vk::CreateDirectoryTree(u""));
    EXPECT_FALSE(vk::CreateDirectoryTree(nullptr));
}

TEST(CreateEmptyTextFile, CreatesAndTruncates) {
    TempFolder tmp;
    WriteFile(tmp.file("old.txt"), "content");
    vk::CreateEmptyTextFile(tmp.ufile("old.txt").c_str());
    vk::CreateEmptyTextFile(tmp.ufile("new.txt").c_str());
    EXPECT_EQ(vk::test::ReadFile(tmp.file("old.txt")), "");
    EXPECT_TRUE(FileExists(tmp.file("new.txt")));
    vk::CreateEmptyTextFile(tmp.ufile("missing/dir.txt").c_str()); // ignored
    EXPECT_TRUE(vk::FileExists(tmp.ufile("new.txt").c_str()));
    EXPECT_TRUE(vk::FileExists(tmp.upath().c_str()));
    EXPECT_FALSE(vk::FileExists(tmp.ufile("missing").c_str()));
    EXPECT_FALSE(vk::FileExists(nullptr));
}

TEST(ShellDelete, RefusesAnythingThatIsNotOneNamedThing) {
    TempFolder tmp;
    WriteFile(tmp.file("keep/file.txt"), "x");
    const std::u16string keep = tmp.ufile("keep/");
    const std::u16string base = tmp.upath();
    struct Case {
        const char16_t *name;
        const char16_t *prefix;
    };
    const Case refused[] = {
        {u"", keep.c_str()},           // prefix only
        {nullptr, keep.c_str()},       // prefix only
        {u"", nullptr},                // nothing
        {u"/", nullptr},               // the root
        {u"//", u""},                  // the root, spelt otherwise
        {u"/.", nullptr},              // the root, spelt otherwise
        {u"..", u"/tmp/"},             // the root through ".."
        {u"/*", nullptr},              // everything in the root
        {u"keep/..", base.c_str()}, // a parent, not a named entry
        {u".", keep.c_str()},
    };
    for (const Case &c : refused) {
        EXPECT_FALSE(vk::ShellDelete(c.name, c.prefix));
        EXPECT_EQ(vk::fs::LastError(), vk::fs::kErrorInvalidParameter);
    }
    EXPECT_TRUE(FileExists(tmp.file("keep/file.txt")));
}

TEST(ShellDelete, DeletesFileFolderAndPattern) {
    TempFolder tmp;
    WriteFile(tmp.file("root/a.tmp"), "1");
    WriteFile(tmp.file("root/B.TMP"), "2");
    WriteFile(tmp.file("root/c.txt"), "3");
    WriteFile(tmp.file("root/sub.tmp/inner.txt"), "4");
    WriteFile(tmp.file("root/KEY0001/x.ini"), "5");
    WriteFile(tmp.file("root/KEY0002/y.ini"), "6");
    const std::u16string root = tmp.ufile("root/");

    EXPECT_TRUE(vk::ShellDelete(u"*.tmp", root.c_str()));
    EXPECT_FALSE(FileExists(tmp.file("root/a.tmp")));
    EXPECT_FALSE(FileExists(tmp.file("root/B.TMP")));
    EXPECT_FALSE(FileExists(tmp.file("root/sub.tmp")));
    EXPECT_TRUE(FileExists(tmp.file("root/c.txt")));

    EXPECT_TRUE(vk::ShellDelete(u"KEY0001", root.c_str()));
    EXPECT_FALSE(FileExists(tmp.file("root/KEY0001")));
    EXPECT_TRUE(FileExists(tmp.file("root/KEY0002/y.ini")));

    EXPECT_TRUE(vk::ShellDelete(u"c.txt", root.c_str()));
    EXPECT_FALSE(FileExists(tmp.file("root/c.txt")));

    // A missing path is not an error, nor is a pattern in a missing folder.
    EXPECT_TRUE(vk::ShellDelete(u"gone", root.c_str()));
    EXPECT_TRUE(vk::ShellDelete(u"none/*.x", root.c_str()));

    // A whole folder given with its trailing separator.
    const std::u16string whole = tmp.ufile("root/");
    EXPECT_TRUE(vk::ShellDelete(whole.c_str(), nullptr));
    EXPECT_FALSE(FileExists(tmp.file("root")));
}

TEST(ShellDelete, RemovesSymlinksWithoutFollowing) {
    TempFolder tmp;
    WriteFile(tmp.file("target/precious.txt"), "x");
    WriteFile(tmp.file("work/file.txt"), "y");
    std::filesystem::create_directory_symlink(tmp.file("target"), tmp.file("work/link"));
    EXPECT_TRUE(vk::ShellDelete(tmp.ufile("work").c_str(), u""));
    EXPECT_FALSE(FileExists(tmp.file("work")));
    EXPECT_TRUE(FileExists(tmp.file("target/precious.txt")));
}

TEST(MatchWildcard, Patterns) {
    struct Case {
        const char16_t *pattern, *name;
        bool match;
    };
    const Case cases[] = {
        {u"*", u"anything", true},    {u"*.*", u"noext", true},    {u"*.tmp", u"A.TMP", true},
        {u"*.tmp", u"a.tmp.bak", false}, {u"KEY????", u"KEY0042", true}, {u"KEY????", u"KEY042", false},
        {u"a*b*c", u"aXXbYYc", true}, {u"a*b*c", u"aXXbYY", false}, {u"", u"", true},
        {u"?", u"", false},
    };
    for (const Case &c : cases) EXPECT_EQ(vk::MatchWildcard(c.pattern, c.name), c.match) << vk::test::N(c.pattern);
}

} // namespace
