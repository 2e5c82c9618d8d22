// Windows spellings of roots and long paths: the deletion guards refuse every
// drive and share root, however it is written, and paths beyond the classic
// 259-character limit work.
#include <gtest/gtest.h>

#include "common/file_helpers.h"
#include "platform/fs/fs.h"
#include "tests/support/test_support.h"

namespace {

using namespace vk::fs;
using vk::test::TempFolder;
using vk::test::U;
using vk::test::WriteFile;

TEST(WindowsPaths, RootLengthKnowsDrivesSharesAndPrefixes) {
    EXPECT_EQ(RootLength(u"C:/x"), 3u);
    EXPECT_EQ(RootLength(u"c:\\x"), 3u);
    EXPECT_EQ(RootLength(u"C:x"), 2u);
    EXPECT_EQ(RootLength(u"//server/share/x"), 15u);
    EXPECT_EQ(RootLength(u"\\\\server\\share"), 14u);
    EXPECT_EQ(RootLength(u"\\\\?\\C:\\x"), 7u);
    EXPECT_EQ(RootLength(u"\\\\?\\UNC\\server\\share\\x"), 21u);
    EXPECT_EQ(RootLength(u"/x"), 1u);
    EXPECT_EQ(RootLength(u"x/y"), 0u);
    EXPECT_TRUE(IsSeparator(u'\\'));
    EXPECT_EQ(InternalPath(u"C:\\Talvern\\bin\\"), u"C:/Talvern/bin/");
    EXPECT_EQ(FileNamePart(u"C:\\a\\b.ini"), u"b.ini");
    EXPECT_EQ(ParentFolder(u"C:\\a\\b.ini"), u"C:\\a\\");
}

TEST(WindowsPaths, RootsAreNeverDeleted) {
    for (const char16_t *root : {u"C:", u"C:/", u"C:\\", u"c:\\\\", u"\\\\?\\C:\\", u"C:/nowhere/..", u"C:\\x\\..\\",
                                 u"Z:/", u"//server/share/", u"\\\\server\\share", u"/", u"\\"}) {
        SetLastError(0);
        EXPECT_FALSE(RemoveTree(root)) << vk::test::N(root);
        EXPECT_EQ(LastError(), kErrorInvalidParameter) << vk::test::N(root);
        EXPECT_FALSE(vk::ShellDelete(root, u"")) << vk::test::N(root);
        EXPECT_FALSE(vk::ShellDelete(u"..", root)) << vk::test::N(root);
    }
    EXPECT_TRUE(Exists(u"C:/windows"));
}

TEST(WindowsPaths, NamesThatWindowsWouldShortenAreNotDeleted) {
    // "keep/...." and "keep/x. " name "keep" and "keep/x" for Windows.
    TempFolder tmp;
    WriteFile(tmp.file("keep/x/file.txt"), "x");
    for (const char16_t *name : {u"....", u"keep/....", u"keep/x. ", u"keep/x..."}) {
        EXPECT_FALSE(RemoveTree(tmp.upath() + name)) << vk::test::N(name);
        EXPECT_FALSE(vk::ShellDelete(name, tmp.upath().c_str())) << vk::test::N(name);
    }
    EXPECT_TRUE(vk::test::FileExists(tmp.file("keep/x/file.txt")));
}

TEST(WindowsPaths, LongPathsBeyondTheClassicLimit) {
    TempFolder tmp;
    std::u16string dir = tmp.upath();
    while (dir.size() < 300) dir += u"a-rather-long-folder-name-0123456789/";
    ASSERT_TRUE(vk::CreateDirectoryTree(dir.c_str()));
    const std::u16string file = dir + u"settings.ini";
    ASSERT_GT(file.size(), 259u);
    ASSERT_TRUE(WriteAtomic(file, "[a]\r\nb=1\r\n"));
    std::string bytes;
    ASSERT_TRUE(ReadWhole(file, bytes));
    EXPECT_EQ(bytes, "[a]\r\nb=1\r\n");
    ASSERT_TRUE(CopyFile(file, dir + u"copy.ini", true));
    EXPECT_FALSE(CopyFile(file, dir + u"copy.ini", true));
    EXPECT_EQ(LastError(), kErrorFileExists);
    std::vector<DirEntry> entries;
    ASSERT_TRUE(ListDirectory(dir, entries));
    EXPECT_EQ(entries.size(), 2u);
    ASSERT_TRUE(RemoveTree(tmp.upath() + u"a-rather-long-folder-name-0123456789"));
    EXPECT_FALSE(Exists(file));
}

TEST(WindowsPaths, ReadOnlyFilesInsideAWorkTreeAreRemoved) {
    TempFolder tmp;
    WriteFile(tmp.file("work/sub/kept.ini"), "x");
    ASSERT_TRUE(SetReadOnly(tmp.ufile("work/sub/kept.ini"), true));
    EXPECT_FALSE(DeleteFile(tmp.ufile("work/sub/kept.ini")));
    EXPECT_EQ(LastError(), kErrorAccessDenied);
    EXPECT_TRUE(RemoveTree(tmp.ufile("work")));
    EXPECT_FALSE(Exists(tmp.ufile("work")));
}

TEST(WindowsPaths, ARenameBlockedForAMomentIsRetried) {
    TempFolder tmp;
    WriteFile(tmp.file("a.ini"), "old");
    // The first two tries fail as if a virus scanner held the file.
    FailNth(Op::Rename, 1, kErrorSharingViolation);
    EXPECT_TRUE(WriteAtomic(tmp.ufile("a.ini"), "new"));
    EXPECT_EQ(vk::test::ReadFile(tmp.file("a.ini")), "new");
    // A lasting failure is given up and reported as it is.
    FailNth(Op::Rename, 1, kErrorDiskFull);
    EXPECT_FALSE(WriteAtomic(tmp.ufile("a.ini"), "newer"));
    EXPECT_EQ(LastError(), kErrorDiskFull);
    EXPECT_EQ(vk::test::ReadFile(tmp.file("a.ini")), "new");
    ResetFaults();
}

} // namespace
