// Zipping a folder and unpacking it again: contents, names, empty folders,
// times, events, and what other ZIP tools make of our archives.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "tests/platform/arczip/arczip_support.h"
#include "tests/support/test_support.h"

namespace vk::arctest {
namespace {

using vk::test::TempFolder;
using vk::test::WriteFile;

const std::string kLongFolder = std::string(100, 'L') + "/" + std::string(120, 'M');
const std::string kLongName = kLongFolder + "/" + std::string(200, 'N') + ".ini";

// A work folder like the engine's: settings, a large database, hundreds of
// small scripts (several batches), names in several scripts, a path over 255
// characters, an empty file and empty folders.
struct WorkTree {
    std::set<std::string> files;
    std::set<std::string> emptyFolders;

    void File(const std::string &root, const std::string &name, const std::string &data) {
        WriteFile(root + name, data);
        files.insert(name);
    }
    void EmptyFolder(const std::string &root, const std::string &name) {
        std::filesystem::create_directories(root + name);
        emptyFolders.insert(name + "/");
    }
    void Build(const std::string &root) {
        File(root, "Backup.why", "[Talvern Backup Utility]\r\nBackupVersion=7.0\r\n");
        File(root, "4001/tools.ini", TextData(20000, 1));
        File(root, "4001/empty.ini", "");
        File(root, "3000/Wells/a.db", RandomData(3 << 20, 2));
        File(root, "3000/Wells/b.db", TextData(2 << 20, 3));
        for (int i = 0; i < 600; ++i) File(root, "6000/script" + std::to_string(i) + ".txt", TextData(100 + i * 7, i));
        File(root, "5001/Bohrloch äöü ß.fmt", TextData(3000, 7));
        File(root, "5001/Скважина.fmt", TextData(3000, 8));
        File(root, "5001/井戸データ.fmt", TextData(3000, 9));
        File(root, kLongName, TextData(500, 10));
        EmptyFolder(root, "7000/empty");
        EmptyFolder(root, "7000/nested/deeper/empty too");
    }
};

TEST(ArcRoundTrip, GivesBackEveryFileFolderAndTime) {
    TempFolder t;
    const std::string source = t.file("work/");
    WorkTree tree;
    tree.Build(source);
    SetMtime(source + "4001/tools.ini", 1600000001);            // an odd second
    SetMtime(source + "5001/Скважина.fmt", 946684799);          // 1999-12-31 23:59:59 UTC
    SetMtime(source + "7000/empty", 1500000003);                // a folder

    Job zip(t.file("backup.conf.vkb"));
    ASSERT_TRUE(zip.Zip(source));
    Job unzip(t.file("backup.conf.vkb"), t.file("restored"));
    ASSERT_TRUE(unzip.Unzip());

    EXPECT_EQ(Snapshot(source), Snapshot(t.file("restored")));
    EXPECT_EQ(Mtime(t.file("restored/4001/tools.ini")), 1600000001);
    EXPECT_EQ(Mtime(t.file("restored/5001/Скважина.fmt")), 946684799);
    EXPECT_EQ(Mtime(t.file("restored/7000/empty")), 1500000003);
    EXPECT_EQ(Mtime(t.file("restored/3000/Wells/a.db")), Mtime(source + "3000/Wells/a.db"));
    EXPECT_TRUE(FilesStartingWith(t.path(), ".~arc").empty());
}

// Events of one call: 0 first with the entry count, one event 1 per file and
// one event 2 per folder entry, rising percentages ending in 100%, and the
// summary last.
void ExpectEventShape(const Recorder &r, const WorkTree &tree, const std::string &summaryStart) {
    ASSERT_FALSE(r.events.empty());
    EXPECT_EQ(r.events.front().event, ARC_EVENT_START);
    EXPECT_EQ(r.events.front().number, static_cast<intptr_t>(tree.files.size() + tree.emptyFolders.size()));
    EXPECT_EQ(r.Count(ARC_EVENT_START), 1);
    const auto files = r.Texts(ARC_EVENT_FILE);
    EXPECT_EQ(std::set<std::string>(files.begin(), files.end()), tree.files);
    EXPECT_EQ(files.size(), tree.files.size());
    const auto folders = r.Texts(ARC_EVENT_FOLDER);
    EXPECT_EQ(std::set<std::string>(folders.begin(), folders.end()), tree.emptyFolders);
    EXPECT_EQ(r.Count(ARC_EVENT_CANNOT_UNPACK), 0);

    const auto percents = r.Texts(ARC_EVENT_PROGRESS);
    ASSERT_FALSE(percents.empty());
    int last = 0;
    for (const std::string &p : percents) {
        ASSERT_EQ(p.back(), '%');
        const int value = std::stoi(p);
        EXPECT_GT(value, last);
        last = value;
    }
    EXPECT_EQ(percents.back(), "100%");

    EXPECT_EQ(r.events.back().event, ARC_EVENT_SUMMARY);
    EXPECT_EQ(r.Count(ARC_EVENT_SUMMARY), 1);
    EXPECT_EQ(r.events.back().text.rfind(summaryStart, 0), 0u) << r.events.back().text;
}

TEST(ArcRoundTrip, EventsComeInOrderWithOneEventPerEntry) {
    TempFolder t;
    WorkTree tree;
    tree.Build(t.file("work/"));
    Job zip(t.file("a.zip"));
    ASSERT_TRUE(zip.Zip(t.file("work/")));
    ExpectEventShape(zip.recorder, tree, "Zipped " + std::to_string(tree.files.size() + 2) + " entries: ");

    Job unzip(t.file("a.zip"), t.file("out"));
    ASSERT_TRUE(unzip.Unzip());
    ExpectEventShape(unzip.recorder, tree, "Unzipped " + std::to_string(tree.files.size() + 2) + " of ");
    EXPECT_NE(unzip.recorder.events.back().text.find(", 0 refused"), std::string::npos);
}

TEST(ArcRoundTrip, WorksWithoutCallbackAndCancelFlag) {
    TempFolder t;
    WriteFile(t.file("work/x/y.ini"), "[a]\r\nb=c\r\n");
    Job zip(t.file("a.zip"));
    zip.request.word[ARC_WORD_CALLBACK] = 0;
    zip.request.word[ARC_WORD_CANCEL] = 0;
    ASSERT_TRUE(zip.Zip(t.file("work")));   // folder without trailing separator
    Job unzip(t.file("a.zip"), t.file("out/"));
    unzip.request.word[ARC_WORD_CALLBACK] = 0;
    unzip.request.word[ARC_WORD_CANCEL] = 0;
    ASSERT_TRUE(unzip.Unzip());
    EXPECT_EQ(vk::test::ReadFile(t.file("out/x/y.ini")), "[a]\r\nb=c\r\n");
}

TEST(ArcRoundTrip, ReplacesAnExistingArchiveAndUnpacksOverExistingFiles) {
    TempFolder t;
    WriteFile(t.file("one/a.txt"), "first");
    WriteFile(t.file("two/b.txt"), "second");
    Job first(t.file("a.zip"));
    ASSERT_TRUE(first.Zip(t.file("one/")));
    Job second(t.file("a.zip"));
    ASSERT_TRUE(second.Zip(t.file("two/")));
    WriteFile(t.file("out/b.txt"), "stale content that is longer");
    Job unzip(t.file("a.zip"), t.file("out"));
    ASSERT_TRUE(unzip.Unzip());
    EXPECT_EQ(Snapshot(t.file("out")), (std::map<std::string, std::string>{{"b.txt", "second"}}));
}

TEST(ArcRoundTrip, EmptyFolderMakesAnEmptyArchive) {
    TempFolder t;
    std::filesystem::create_directories(t.file("work"));
    Job zip(t.file("empty.zip"));
    ASSERT_TRUE(zip.Zip(t.file("work/")));
    EXPECT_EQ(vk::test::ReadFile(t.file("empty.zip")).size(), 22u);
    EXPECT_EQ(Python("import zipfile,sys; print(len(zipfile.ZipFile(sys.argv[1]).infolist()))", {t.file("empty.zip")}),
              0);
    Job unzip(t.file("empty.zip"), t.file("out"));
    EXPECT_TRUE(unzip.Unzip());
    ASSERT_FALSE(unzip.recorder.events.empty());
    EXPECT_EQ(unzip.recorder.events.front().number, 0);
}

TEST(ArcRoundTrip, LeavesOutSymlinksAndSpecialFiles) {
    TempFolder t;
    WriteFile(t.file("outside/secret.txt"), "secret");
    WriteFile(t.file("work/real.txt"), "real");
    std::filesystem::create_symlink(t.file("outside/secret.txt"), t.file("work/link.txt"));
    std::filesystem::create_directory_symlink(t.file("outside"), t.file("work/linkdir"));
    ASSERT_EQ(Shell("mkfifo " + Quote(t.file("work/pipe"))), 0);
    Job zip(t.file("a.zip"));
    ASSERT_TRUE(zip.Zip(t.file("work/")));
    Job unzip(t.file("a.zip"), t.file("out"));
    ASSERT_TRUE(unzip.Unzip());
    EXPECT_EQ(Snapshot(t.file("out")), (std::map<std::string, std::string>{{"real.txt", "real"}}));
}

// Two folders in one archive: the second one's file replaces an entry of
// the same name. The archive may lie inside the zipped folder itself.
TEST(ArcRoundTrip, AddsSeveralFoldersAndLeavesOutItsOwnArchive) {
    TempFolder t;
    WriteFile(t.file("one/same.txt"), "from one");
    WriteFile(t.file("one/only-one.txt"), "1");
    WriteFile(t.file("two/same.txt"), "from two");
    WriteFile(t.file("two/sub/only-two.txt"), "2");
    Job zip(t.file("one/a.zip"));
    ASSERT_NE(ArcCreate(&zip.request), 0);
    for (const char *folder : {"one/", "two/"}) {
        const std::u16string f = vk::test::U(t.file(folder));
        ASSERT_NE(ArcAddFolder(&zip.request, f.c_str()), 0) << folder;
    }
    ASSERT_NE(ArcFinish(&zip.request), 0);
    EXPECT_EQ(zip.recorder.Count(ARC_EVENT_START), 2);
    EXPECT_EQ(zip.recorder.Count(ARC_EVENT_SUMMARY), 2);
    Job unzip(t.file("one/a.zip"), t.file("out"));
    ASSERT_TRUE(unzip.Unzip());
    EXPECT_EQ(Snapshot(t.file("out")), (std::map<std::string, std::string>{
                                           {"same.txt", "from two"}, {"only-one.txt", "1"}, {"sub", "D"}, {"sub/only-two.txt", "2"}}));
}

// Our archives are plain ZIP files for other tools: unzip, 7z and Python
// test them, names carry the UTF-8 flag, empty folders are folder entries,
// and Python unpacks exactly our tree.
TEST(ArcInterop, OtherToolsAcceptOurArchive) {
    TempFolder t;
    WorkTree tree;
    tree.Build(t.file("work/"));
    Job zip(t.file("a.zip"));
    ASSERT_TRUE(zip.Zip(t.file("work/")));

    std::string out;
    EXPECT_EQ(Shell("unzip -t " + Quote(t.file("a.zip")), &out), 0) << out;
    EXPECT_EQ(Shell("7z t " + Quote(t.file("a.zip")), &out), 0) << out;
    const char *check = R"(
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
assert z.testzip() is None
for i in z.infolist():
    if i.filename.endswith('/'):
        continue
    assert i.compress_type == zipfile.ZIP_DEFLATED, i.filename
    if not i.filename.isascii():
        assert i.flag_bits & 0x800, i.filename
dirs = sorted(i.filename for i in z.infolist() if i.is_dir())
assert dirs == ['7000/empty/', '7000/nested/deeper/empty too/'], dirs
z.extractall(sys.argv[2])
print('ok')
)";
    EXPECT_EQ(Python(check, {t.file("a.zip"), t.file("py")}, &out), 0) << out;
    EXPECT_EQ(Snapshot(t.file("work")), Snapshot(t.file("py")));
}

// The entries are deflated by our threads and copied by libzip as they are:
// the stored bytes are exactly zlib's raw deflate at level 6, which libzip's
// own compression (level 9 by default) would not produce.
TEST(ArcInterop, StoredDataIsOurDeflateStreamNotRecompressed) {
    TempFolder t;
    WriteFile(t.file("work/big.txt"), TextData(4 << 20, 21));
    WriteFile(t.file("work/small.txt"), TextData(5000, 22));
    Job zip(t.file("a.zip"));
    ASSERT_TRUE(zip.Zip(t.file("work/")));
    const char *check = R"(
import sys, zipfile, zlib, struct
path, folder = sys.argv[1], sys.argv[2]
raw = open(path, 'rb').read()
z = zipfile.ZipFile(path)
for i in z.infolist():
    data = open(folder + '/' + i.filename, 'rb').read()
    h = i.header_offset
    n, m = struct.unpack('<HH', raw[h + 26:h + 30])
    stored = raw[h + 30 + n + m:h + 30 + n + m + i.compress_size]
    c6 = zlib.compressobj(6, zlib.DEFLATED, -15); s6 = c6.compress(data) + c6.flush()
    c9 = zlib.compressobj(9, zlib.DEFLATED, -15); s9 = c9.compress(data) + c9.flush()
    assert s6 != s9, i.filename
    assert stored == s6, i.filename
print('ok')
)";
    std::string out;
    EXPECT_EQ(Python(check, {t.file("a.zip"), t.file("work")}, &out), 0) << out;
}

} // namespace
} // namespace vk::arctest
