// Whole-file reads, atomic replacement under every injected failure, the
// streamed writer, and the error codes.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs/fs.h"
#include "tests/support/test_support.h"

namespace {

using vk::fs::Op;
using vk::test::FileExists;
using vk::test::ReadFile;
using vk::test::TempFolder;
using vk::test::U;
using vk::test::WriteFile;

std::vector<std::string> Names(const std::string &folder) {
    std::vector<std::string> out;
    if (DIR *d = opendir(folder.c_str())) {
        while (const dirent *e = readdir(d)) {
            const std::string n = e->d_name;
            if (n != "." && n != "..") out.push_back(n);
        }
        closedir(d);
    }
    return out;
}

TEST(FileErrors, MapToWindowsCodes) {
    const struct {
        int err;
        uint32_t code;
    } table[] = {
        {0, vk::fs::kErrorSuccess},           {ENOENT, vk::fs::kErrorFileNotFound},
        {ENOTDIR, vk::fs::kErrorPathNotFound}, {EACCES, vk::fs::kErrorAccessDenied},
        {EPERM, vk::fs::kErrorAccessDenied},   {EROFS, vk::fs::kErrorWriteProtect},
        {ENOSPC, vk::fs::kErrorDiskFull},      {EEXIST, vk::fs::kErrorFileExists},
        {ENOTEMPTY, vk::fs::kErrorDirNotEmpty}, {ENAMETOOLONG, vk::fs::kErrorFilenameTooLong},
    };
    for (const auto &t : table) EXPECT_EQ(vk::fs::ErrorFromErrno(t.err), t.code) << t.err;
    EXPECT_EQ(vk::fs::ErrorText(vk::fs::kErrorAccessDenied), u"Access is denied.");
    EXPECT_EQ(vk::fs::ErrorText(vk::fs::kErrorFileNotFound), u"The system cannot find the file specified.");
    EXPECT_FALSE(vk::fs::ErrorText(99999).empty());
}

TEST(ReadWhole, ReadsEveryByteOrSaysWhyNot) {
    TempFolder dir;
    const std::string bytes("a\0b\r\n\xff", 6);
    WriteFile(dir.file("f"), bytes);
    std::string out;
    ASSERT_TRUE(vk::fs::ReadWhole(dir.ufile("f"), out));
    EXPECT_EQ(out, bytes);
    EXPECT_FALSE(vk::fs::ReadWhole(dir.ufile("missing"), out));
    EXPECT_EQ(vk::fs::LastError(), vk::fs::kErrorFileNotFound);
    EXPECT_FALSE(vk::fs::ReadWhole(dir.ufile("f/x"), out));
    EXPECT_EQ(vk::fs::LastError(), vk::fs::kErrorPathNotFound);
    EXPECT_FALSE(vk::fs::ReadWhole(dir.upath(), out));
    vk::fs::ResetFaults();
    vk::fs::FailNth(Op::Open, 1, vk::fs::kErrorSharingViolation);
    EXPECT_FALSE(vk::fs::ReadWhole(dir.ufile("f"), out));
    EXPECT_EQ(vk::fs::LastError(), vk::fs::kErrorSharingViolation);
    EXPECT_TRUE(vk::fs::ReadWhole(dir.ufile("f"), out));
    vk::fs::ResetFaults();
}

// Whatever step fails, the target is wholly old (or still missing) and no
// temporary file stays behind.
// A pipe among the files never holds a reader up: it is no plain file.
TEST(ReadWhole, APipeIsRefusedAtOnce) {
    TempFolder t;
    const std::string pipe = t.file("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    vk::fs::File file;
    EXPECT_FALSE(file.Open(U(pipe)));
    EXPECT_EQ(vk::fs::LastError(), vk::fs::kErrorAccessDenied);
}

TEST(WriteAtomic, EveryFailingStepLeavesTheOldFile) {
    TempFolder dir;
    const std::string old = "old content\r\n";
    const std::string fresh(3 * 1024 * 1024 + 17, 'n'); // several write chunks
    for (const bool existing : {true, false}) {
        for (const Op op : {Op::Open, Op::Write, Op::Flush, Op::Rename}) {
            vk::fs::ResetFaults();
            ASSERT_TRUE(vk::fs::WriteAtomic(dir.ufile("probe"), fresh));
            const int calls = vk::fs::CallCount(op);
            ASSERT_GT(calls, 0);
            for (int n = 1; n <= calls; ++n) {
                std::remove(dir.file("t").c_str());
                if (existing) WriteFile(dir.file("t"), old);
                vk::fs::ResetFaults();
                vk::fs::FailNth(op, n, vk::fs::kErrorDiskFull);
                EXPECT_FALSE(vk::fs::WriteAtomic(dir.ufile("t"), fresh)) << static_cast<int>(op) << " " << n;
                EXPECT_EQ(vk::fs::LastError(), vk::fs::kErrorDiskFull);
                if (existing) EXPECT_EQ(ReadFile(dir.file("t")), old);
                else EXPECT_FALSE(FileExists(dir.file("t")));
                std::vector<std::string> names = Names(dir.path());
                std::erase(names, "probe");
                std::erase(names, "t");
                EXPECT_TRUE(names.empty()) << names.front();
            }
            vk::fs::ResetFaults();
            ASSERT_TRUE(vk::fs::WriteAtomic(dir.ufile("t"), fresh));
            EXPECT_EQ(ReadFile(dir.file("t")), fresh);
        }
    }
}

TEST(WriteAtomic, KeepsPermissionsAndRefusesWhatItMustNotReplace) {
    TempFolder dir;
    WriteFile(dir.file("f"), "1");
    ASSERT_EQ(chmod(dir.file("f").c_str(), 0604), 0);
    ASSERT_TRUE(vk::fs::WriteAtomic(dir.ufile("f"), "2"));
    struct stat st {};
    ASSERT_EQ(stat(dir.file("f").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0604u);

    ASSERT_EQ(chmod(dir.file("f").c_str(), 0444), 0); // read-only holds even for root
    EXPECT_FALSE(vk::fs::WriteAtomic(dir.ufile("f"), "3"));
    EXPECT_EQ(vk::fs::LastError(), vk::fs::kErrorAccessDenied);
    EXPECT_EQ(ReadFile(dir.file("f")), "2");

    EXPECT_FALSE(vk::fs::WriteAtomic(dir.upath(), "x"));
    EXPECT_FALSE(vk::fs::WriteAtomic(dir.ufile("none/f"), "x"));
    EXPECT_EQ(vk::fs::LastError(), vk::fs::kErrorPathNotFound);
    ASSERT_TRUE(vk::fs::WriteAtomic(dir.ufile("empty"), ""));
    EXPECT_TRUE(FileExists(dir.file("empty")));
}

TEST(WriteAtomic, ClearsTemporaryFilesOfDeadProcessesOnly) {
    TempFolder dir;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    const std::string dead = dir.file(".a.ini." + std::to_string(child) + ".0.vktmp");
    const std::string alive = dir.file(".a.ini.1.0.vktmp"); // pid 1 runs as long as the system
    const std::string other = dir.file(".b.ini." + std::to_string(child) + ".0.vktmp");
    WriteFile(dead, "x");
    WriteFile(alive, "x");
    WriteFile(other, "x");
    ASSERT_TRUE(vk::fs::WriteAtomic(dir.ufile("a.ini"), "new"));
    EXPECT_FALSE(FileExists(dead));
    EXPECT_TRUE(FileExists(alive));
    EXPECT_TRUE(FileExists(other));
}

TEST(Writer, CreatesWritesAndFailsWhereAsked) {
    TempFolder dir;
    vk::fs::ResetFaults();
    {
        vk::fs::Writer w;
        ASSERT_TRUE(w.Open(dir.ufile("f"), true));
        ASSERT_TRUE(w.Write("abc", 3));
        ASSERT_TRUE(w.Flush());
        ASSERT_TRUE(w.Close());
        EXPECT_FALSE(w.IsOpen());
        EXPECT_FALSE(w.Write("x", 1));
    }
    EXPECT_EQ(ReadFile(dir.file("f")), "abc");
    vk::fs::Writer w;
    EXPECT_FALSE(w.Open(dir.ufile("f"), false));
    EXPECT_EQ(vk::fs::LastError(), vk::fs::kErrorFileExists);
    EXPECT_FALSE(w.Open(dir.ufile("none/f"), true));
    EXPECT_EQ(vk::fs::LastError(), vk::fs::kErrorPathNotFound);

    for (const Op op : {Op::Open, Op::Write, Op::Flush}) {
        vk::fs::ResetFaults();
        vk::fs::FailNth(op, 1, vk::fs::kErrorHandleDiskFull);
        const bool ok = w.Open(dir.ufile("g"), true) && w.Write("x", 1) && w.Flush();
        EXPECT_FALSE(ok);
        EXPECT_EQ(vk::fs::LastError(), vk::fs::kErrorHandleDiskFull);
        EXPECT_EQ(vk::fs::CallCount(op), 1);
        w.Close();
    }
    vk::fs::ResetFaults();
    vk::fs::FailNth(Op::Write, 2); // counted from now: the second write fails
    ASSERT_TRUE(w.Open(dir.ufile("h"), true));
    EXPECT_TRUE(w.Write("1", 1));
    EXPECT_FALSE(w.Write("2", 1));
    EXPECT_TRUE(w.Write("3", 1));
    w.Close();
    EXPECT_EQ(ReadFile(dir.file("h")), "13");
    vk::fs::ResetFaults();
}

} // namespace
