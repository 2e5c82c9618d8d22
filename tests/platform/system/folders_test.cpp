// Files and folders: Windows-style errors, protected read-only files, copies
// that are whole or absent, tree removal that stays inside its tree.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>

#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "tests/support/test_support.h"

using namespace vk::fs;
using vk::test::FileExists;
using vk::test::ReadFile;
using vk::test::TempFolder;
using vk::test::U;
using vk::test::WriteFile;

namespace {

size_t EntryCount(const std::string &dir) {
    size_t n = 0;
    for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(dir)) ++n;
    return n;
}

class FoldersTest : public ::testing::Test {
protected:
    void TearDown() override { ResetFaults(); }
    TempFolder tmp;
};

} // namespace

TEST_F(FoldersTest, CreateAndRemoveDirectoryGiveWindowsErrors) {
    EXPECT_TRUE(CreateDirectory(tmp.ufile("a")));
    EXPECT_TRUE(IsDirectory(tmp.ufile("a")));

    struct Case {
        std::string path;
        uint32_t error;
    } cases[] = {
        {"a", kErrorAlreadyExists},
        {"missing/child", kErrorPathNotFound},
    };
    for (const Case &c : cases) {
        SetLastError(0);
        EXPECT_FALSE(CreateDirectory(tmp.ufile(c.path))) << c.path;
        EXPECT_EQ(LastError(), c.error) << c.path;
    }
    WriteFile(tmp.file("file"), "x");
    EXPECT_FALSE(CreateDirectory(tmp.ufile("file/child")));
    EXPECT_EQ(LastError(), kErrorPathNotFound);

    WriteFile(tmp.file("a/inner.txt"), "x");
    EXPECT_FALSE(RemoveDirectory(tmp.ufile("a")));
    EXPECT_EQ(LastError(), kErrorDirNotEmpty);
    ASSERT_TRUE(DeleteFile(tmp.ufile("a/inner.txt")));
    EXPECT_TRUE(RemoveDirectory(tmp.ufile("a/")));
    EXPECT_FALSE(Exists(tmp.ufile("a")));
}

TEST_F(FoldersTest, StatReportsSizeTimeReadOnlyAndLinks) {
    WriteFile(tmp.file("f.txt"), "12345");
    // 2024-03-05 09:07:03.5 UTC as a Windows file time.
    const uint64_t when = (static_cast<uint64_t>(1709629623) + 11644473600ULL) * 10000000ULL + 5000000ULL;
    ASSERT_TRUE(SetWriteTime(tmp.ufile("f.txt"), when));
    FileInfo info;
    ASSERT_TRUE(Stat(tmp.ufile("f.txt"), info));
    EXPECT_TRUE(info.exists);
    EXPECT_FALSE(info.directory);
    EXPECT_EQ(info.size, 5u);
    EXPECT_EQ(info.writeTime, when);
    EXPECT_FALSE(info.readOnly);

    ASSERT_TRUE(SetReadOnly(tmp.ufile("f.txt"), true));
    ASSERT_TRUE(Stat(tmp.ufile("f.txt"), info));
    EXPECT_TRUE(info.readOnly);
    ASSERT_TRUE(SetReadOnly(tmp.ufile("f.txt"), false));
    ASSERT_TRUE(Stat(tmp.ufile("f.txt"), info));
    EXPECT_FALSE(info.readOnly);

    // A file named with a trailing separator is not there.
    EXPECT_FALSE(Exists(tmp.ufile("f.txt/")));
    EXPECT_FALSE(Exists(tmp.ufile("nothing")));
    EXPECT_TRUE(IsDirectory(tmp.upath()));

    ASSERT_EQ(::symlink(tmp.file("f.txt").c_str(), tmp.file("link").c_str()), 0);
    ASSERT_TRUE(Stat(tmp.ufile("link"), info));
    EXPECT_TRUE(info.symlink);
    EXPECT_EQ(info.size, 5u);
    ASSERT_EQ(::symlink(tmp.file("gone").c_str(), tmp.file("dangling").c_str()), 0);
    EXPECT_TRUE(Exists(tmp.ufile("dangling")));

    const uint64_t now = NowFileTime();
    const uint64_t fromClock = (static_cast<uint64_t>(std::time(nullptr)) + 11644473600ULL) * 10000000ULL;
    EXPECT_LT(now > fromClock ? now - fromClock : fromClock - now, 50000000ULL); // within 5 s
}

TEST_F(FoldersTest, ReadOnlyFilesAreNeitherDeletedNorReplaced) {
    WriteFile(tmp.file("ro.ini"), "keep");
    WriteFile(tmp.file("other.ini"), "new");
    ASSERT_TRUE(SetReadOnly(tmp.ufile("ro.ini"), true));

    EXPECT_FALSE(DeleteFile(tmp.ufile("ro.ini")));
    EXPECT_EQ(LastError(), kErrorAccessDenied);
    EXPECT_FALSE(CopyFile(tmp.ufile("other.ini"), tmp.ufile("ro.ini"), false));
    EXPECT_EQ(LastError(), kErrorAccessDenied);
    EXPECT_FALSE(MoveFile(tmp.ufile("other.ini"), tmp.ufile("ro.ini")));
    EXPECT_EQ(LastError(), kErrorAccessDenied);
    EXPECT_EQ(ReadFile(tmp.file("ro.ini")), "keep");
    EXPECT_EQ(ReadFile(tmp.file("other.ini")), "new");

    ASSERT_TRUE(CreateDirectory(tmp.ufile("dir")));
    EXPECT_FALSE(DeleteFile(tmp.ufile("dir")));
    EXPECT_EQ(LastError(), kErrorAccessDenied);
    EXPECT_FALSE(DeleteFile(tmp.ufile("missing")));
    EXPECT_FALSE(DeleteFile(u""));
}

TEST_F(FoldersTest, CopyKeepsContentTimeAndRefusesExisting) {
    std::string big(300000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    WriteFile(tmp.file("src.bin"), big);
    const uint64_t when = 133000000000000000ULL;
    ASSERT_TRUE(SetWriteTime(tmp.ufile("src.bin"), when));

    ASSERT_TRUE(CopyFile(tmp.ufile("src.bin"), tmp.ufile("dst.bin"), true));
    EXPECT_EQ(ReadFile(tmp.file("dst.bin")), big);
    FileInfo info;
    ASSERT_TRUE(Stat(tmp.ufile("dst.bin"), info));
    EXPECT_EQ(info.writeTime, when);

    WriteFile(tmp.file("dst.bin"), "old");
    EXPECT_FALSE(CopyFile(tmp.ufile("src.bin"), tmp.ufile("dst.bin"), true));
    EXPECT_EQ(LastError(), kErrorFileExists);
    EXPECT_EQ(ReadFile(tmp.file("dst.bin")), "old");
    EXPECT_TRUE(CopyFile(tmp.ufile("src.bin"), tmp.ufile("dst.bin"), false));
    EXPECT_EQ(ReadFile(tmp.file("dst.bin")), big);

    // Copying a file onto itself must not destroy it.
    EXPECT_FALSE(CopyFile(tmp.ufile("src.bin"), tmp.ufile("src.bin"), false));
    EXPECT_EQ(ReadFile(tmp.file("src.bin")), big);

    // A symbolic link at the destination is replaced by the copy; the file it
    // pointed at is not written (also when that one is read-only).
    WriteFile(tmp.file("sub/target.bin"), "t");
    ASSERT_EQ(::symlink(tmp.file("sub/target.bin").c_str(), tmp.file("sub/link.bin").c_str()), 0);
    ASSERT_TRUE(CopyFile(tmp.ufile("src.bin"), tmp.ufile("sub/link.bin"), false));
    EXPECT_EQ(ReadFile(tmp.file("sub/target.bin")), "t");
    EXPECT_EQ(ReadFile(tmp.file("sub/link.bin")), big);
    FileInfo linkInfo;
    ASSERT_TRUE(Stat(tmp.ufile("sub/link.bin"), linkInfo));
    EXPECT_FALSE(linkInfo.symlink);
    ASSERT_EQ(::symlink(tmp.file("sub/target.bin").c_str(), tmp.file("sub/dangling-or-not.bin").c_str()), 0);
    EXPECT_FALSE(CopyFile(tmp.ufile("src.bin"), tmp.ufile("sub/dangling-or-not.bin"), true));
    EXPECT_EQ(LastError(), kErrorFileExists);
    EXPECT_EQ(ReadFile(tmp.file("sub/target.bin")), "t");
    std::filesystem::remove_all(tmp.file("sub"));

    EXPECT_FALSE(CopyFile(tmp.ufile("none"), tmp.ufile("x"), false));
    EXPECT_FALSE(FileExists(tmp.file("x")));
    EXPECT_FALSE(CopyFile(tmp.ufile("src.bin"), tmp.ufile("nodir/x"), false));
    EXPECT_EQ(LastError(), kErrorPathNotFound);
    EXPECT_EQ(EntryCount(tmp.path()), 2u); // src.bin, dst.bin: no temporary left
}

TEST_F(FoldersTest, FailedCopyLeavesTheOldDestinationAndNoTemporary) {
    WriteFile(tmp.file("src.txt"), std::string(200000, 'n'));
    for (Op op : {Op::Open, Op::Write, Op::Flush, Op::Rename}) {
        WriteFile(tmp.file("dst.txt"), "old content");
        ResetFaults();
        FailNth(op, 1, kErrorDiskFull);
        EXPECT_FALSE(CopyFile(tmp.ufile("src.txt"), tmp.ufile("dst.txt"), false)) << static_cast<int>(op);
        EXPECT_EQ(LastError(), kErrorDiskFull) << static_cast<int>(op);
        EXPECT_EQ(ReadFile(tmp.file("dst.txt")), "old content") << static_cast<int>(op);
        EXPECT_EQ(EntryCount(tmp.path()), 2u) << static_cast<int>(op);
    }
    ResetFaults();
    EXPECT_TRUE(CopyFile(tmp.ufile("src.txt"), tmp.ufile("dst.txt"), false));
    EXPECT_EQ(ReadFile(tmp.file("dst.txt")).size(), 200000u);
}

TEST_F(FoldersTest, CopyIncludesPendingIniWrites) {
    WriteFile(tmp.file("a.ini"), "[S]\r\nK=old\r\n");
    ASSERT_TRUE(vk::ini::WriteString(u"S", u"K", u"pending", tmp.ufile("a.ini").c_str()));
    ASSERT_TRUE(CopyFile(tmp.ufile("a.ini"), tmp.ufile("b.ini"), false));
    EXPECT_NE(ReadFile(tmp.file("b.ini")).find("K=pending"), std::string::npos);
    EXPECT_EQ(vk::ini::ReadString(u"S", u"K", u"", tmp.ufile("b.ini")), u"pending");

    // Pending writes that cannot be saved: no copy of the stale file.
    ASSERT_TRUE(vk::ini::WriteString(u"S", u"K", u"second", tmp.ufile("a.ini").c_str()));
    FailNth(Op::Open, 1, kErrorDiskFull);
    EXPECT_FALSE(CopyFile(tmp.ufile("a.ini"), tmp.ufile("c.ini"), false));
    EXPECT_EQ(LastError(), kErrorDiskFull);
    EXPECT_FALSE(FileExists(tmp.file("c.ini")));
    ResetFaults();
    ASSERT_TRUE(CopyFile(tmp.ufile("a.ini"), tmp.ufile("c.ini"), false));
    EXPECT_NE(ReadFile(tmp.file("c.ini")).find("K=second"), std::string::npos);
}

TEST_F(FoldersTest, MoveReplacesTheDestination) {
    WriteFile(tmp.file("a"), "A");
    WriteFile(tmp.file("b"), "B");
    ASSERT_TRUE(MoveFile(tmp.ufile("a"), tmp.ufile("b")));
    EXPECT_FALSE(FileExists(tmp.file("a")));
    EXPECT_EQ(ReadFile(tmp.file("b")), "A");
    EXPECT_FALSE(MoveFile(tmp.ufile("a"), tmp.ufile("c")));
}

TEST_F(FoldersTest, RemoveTreeStaysInsideItsTree) {
    TempFolder outside;
    WriteFile(outside.file("precious.txt"), "keep");
    WriteFile(tmp.file("tree/a/b/c.txt"), "x");
    WriteFile(tmp.file("tree/top.txt"), "x");
    ASSERT_EQ(::symlink(outside.path().c_str(), tmp.file("tree/a/out").c_str()), 0);
    ASSERT_EQ(::symlink(outside.file("precious.txt").c_str(), tmp.file("tree/file-link").c_str()), 0);
    WriteFile(tmp.file("tree/a/ro.txt"), "x");
    ::chmod(tmp.file("tree/a/ro.txt").c_str(), 0444);

    EXPECT_TRUE(RemoveTree(tmp.ufile("tree/")));
    EXPECT_FALSE(FileExists(tmp.file("tree")));
    EXPECT_EQ(ReadFile(outside.file("precious.txt")), "keep");

    // A symlink given as the tree itself is removed, not followed.
    ASSERT_EQ(::symlink(outside.path().c_str(), tmp.file("link").c_str()), 0);
    EXPECT_TRUE(RemoveTree(tmp.ufile("link/")));
    EXPECT_EQ(ReadFile(outside.file("precious.txt")), "keep");

    for (std::u16string root : {u"", u"/", u"//", u"///", u"/tmp/..", u"/./"}) {
        SetLastError(0);
        EXPECT_FALSE(RemoveTree(root));
        EXPECT_EQ(LastError(), kErrorInvalidParameter);
    }
    EXPECT_FALSE(RemoveTree(tmp.ufile("missing")));
}

TEST_F(FoldersTest, ListDirectorySortsAndMarksFolders) {
    WriteFile(tmp.file("b.txt"), "bb");
    WriteFile(tmp.file("A.txt"), "a");
    WriteFile(tmp.file("c/x"), "");
    std::vector<DirEntry> entries;
    ASSERT_TRUE(ListDirectory(tmp.upath(), entries));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, u"A.txt");
    EXPECT_EQ(entries[1].name, u"b.txt");
    EXPECT_EQ(entries[1].size, 2u);
    EXPECT_EQ(entries[2].name, u"c");
    EXPECT_TRUE(entries[2].directory);
    EXPECT_FALSE(ListDirectory(tmp.ufile("none"), entries));
    EXPECT_EQ(LastError(), kErrorPathNotFound);
}

TEST_F(FoldersTest, UniqueFoldersArePrivateAndDistinct) {
    const std::u16string a = MakeUniqueFolder(tmp.upath(), u"job");
    const std::u16string b = MakeUniqueFolder(tmp.upath().substr(0, tmp.upath().size() - 1), u"job");
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    EXPECT_NE(a, b);
    EXPECT_EQ(a.back(), u'/');
    EXPECT_EQ(a.rfind(tmp.upath() + u"job", 0), 0u);
    struct stat st {};
    ASSERT_EQ(::stat(vk::test::N(a).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(MakeUniqueFolder(tmp.ufile("missing/"), u"x").empty());
}

TEST(PathParts, NamesAndParents) {
    struct Case {
        std::u16string path, name, parent;
    } cases[] = {
        {u"/opt/talvern/bin/x.exe", u"x.exe", u"/opt/talvern/bin/"},
        {u"x.ini", u"x.ini", u""},
        {u"/opt/dir/", u"", u"/opt/dir/"},
        {u"/x", u"x", u"/"},
        {u"", u"", u""},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(FileNamePart(c.path), c.name);
        EXPECT_EQ(ParentFolder(c.path), c.parent);
    }
    EXPECT_EQ(CurrentDirectory().back(), u'/');
    EXPECT_EQ(TempDirectory().back(), u'/');
}
