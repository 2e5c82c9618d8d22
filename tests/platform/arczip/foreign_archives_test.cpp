// Archives made by other tools, and hostile archives: entries that try to
// leave the destination, links, and what already lies in the destination.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/platform/arczip/arczip_support.h"
#include "tests/support/test_support.h"

namespace vk::arctest {
namespace {

using vk::test::TempFolder;
using vk::test::WriteFile;
using Tree = std::map<std::string, std::string>;

void BuildSmallTree(const std::string &root) {
    WriteFile(root + "Backup.why", "[Talvern Backup Utility]\r\nName=x\r\n");
    WriteFile(root + "4001/tools.ini", TextData(30000, 1));
    WriteFile(root + "4001/empty.ini", "");
    WriteFile(root + "3000/Wells/a.db", RandomData(300000, 2));
    WriteFile(root + "5001/Bohrloch ä.fmt", TextData(700, 3));
    std::filesystem::create_directories(root + "7000/empty");
}

TEST(ArcForeign, UnpacksAnArchiveMadeByZip) {
    TempFolder t;
    BuildSmallTree(t.file("work/"));
    std::string out;
    ASSERT_EQ(Shell("cd " + Quote(t.file("work")) + " && zip -r -q -6 ../z.zip .", &out), 0) << out;
    Job unzip(t.file("z.zip"), t.file("out"));
    ASSERT_TRUE(unzip.Unzip());
    EXPECT_EQ(Snapshot(t.file("work")), Snapshot(t.file("out")));
    EXPECT_EQ(unzip.recorder.Count(ARC_EVENT_CANNOT_UNPACK), 0);
    // zip stores every folder as an entry: each one gives event 2.
    EXPECT_EQ(unzip.recorder.Count(ARC_EVENT_FILE), 5);
    EXPECT_EQ(unzip.recorder.Count(ARC_EVENT_FILE) + unzip.recorder.Count(ARC_EVENT_FOLDER),
              unzip.recorder.events.front().number);
}

TEST(ArcForeign, UnpacksAnArchiveMadeByPythonWithTimesAndZip64Records) {
    TempFolder t;
    std::string out;
    ASSERT_EQ(Python(R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    z.writestr(zipfile.ZipInfo('4001/', (2020, 5, 17, 10, 30, 0)), b'')
    i = zipfile.ZipInfo('4001/deflated.ini', (2021, 3, 4, 5, 6, 8))
    z.writestr(i, b'[Tool]\r\nSerial=4711\r\n' * 500, compress_type=zipfile.ZIP_DEFLATED)
    z.writestr(zipfile.ZipInfo('stored.txt', (2019, 1, 2, 3, 4, 6)), b'stored bytes')
    z.writestr('Scripts/\u00fcbersicht.txt', 'non-ASCII name'.encode(), compress_type=zipfile.ZIP_DEFLATED)
    with z.open(zipfile.ZipInfo('zip64/forced.bin', (2022, 1, 1, 0, 0, 0)), 'w', force_zip64=True) as f:
        f.write(bytes(range(256)) * 100)
)",
                     {t.file("py.zip")}, &out),
              0)
        << out;
    Job unzip(t.file("py.zip"), t.file("out"));
    ASSERT_TRUE(unzip.Unzip());
    std::string pattern;
    for (int i = 0; i < 100; ++i)
        for (int b = 0; b < 256; ++b) pattern += static_cast<char>(b);
    std::string ini;
    for (int i = 0; i < 500; ++i) ini += "[Tool]\r\nSerial=4711\r\n";
    EXPECT_EQ(Snapshot(t.file("out")), (Tree{{"4001", "D"},
                                             {"4001/deflated.ini", ini},
                                             {"stored.txt", "stored bytes"},
                                             {"Scripts", "D"},
                                             {"Scripts/übersicht.txt", "non-ASCII name"},
                                             {"zip64", "D"},
                                             {"zip64/forced.bin", pattern}}));
    // DOS times are local times, as Python wrote them.
    std::string expected;
    ASSERT_EQ(Python("import time; print(int(time.mktime((2021, 3, 4, 5, 6, 8, 0, 0, -1))))", {}, &expected), 0);
    EXPECT_EQ(std::to_string(Mtime(t.file("out/4001/deflated.ini"))) + "\n", expected);
}

// More than 65,535 entries: the counts come from the zip64 end records.
// (Repeated folder entries keep the test quick: they create one folder.)
TEST(ArcForeign, ReadsTheZip64EntryCount) {
    TempFolder t;
    std::string out;
    ASSERT_EQ(Python(R"(
import sys, zipfile, warnings
warnings.simplefilter('ignore')
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    for i in range(65600):
        z.writestr(zipfile.ZipInfo('same/'), b'')
    z.writestr('same/last.txt', b'end')
assert open(sys.argv[1], 'rb').read().find(b'PK\x06\x06') > 0
)",
                     {t.file("many.zip")}, &out),
              0)
        << out;
    Job unzip(t.file("many.zip"), t.file("out"));
    ASSERT_TRUE(unzip.Unzip());
    EXPECT_EQ(unzip.recorder.events.front().number, 65601);
    EXPECT_EQ(unzip.recorder.Count(ARC_EVENT_FOLDER), 65600);
    EXPECT_EQ(unzip.recorder.Count(ARC_EVENT_FILE), 1);
    EXPECT_EQ(vk::test::ReadFile(t.file("out/same/last.txt")), "end");
}

// Every entry that could write outside the destination is refused with
// event 4 and the rest is unpacked.
TEST(ArcForeign, RefusesEntriesThatLeaveTheDestination) {
    TempFolder t;
    const std::string outside = t.file("outside");
    std::filesystem::create_directories(outside);
    const std::vector<std::string> hostile = {
        "../evil1.txt",
        "a/../../evil2.txt",
        "..\\evil3.txt",
        "sub\\..\\..\\evil4.txt",
        outside + "/abs1.txt",
        std::string(1, '\\').append(outside.substr(1)).append("\\abs2.txt"),
        "C:evil5.txt",
        "C:\\evil6.txt",
        "d:/evil7.txt",
        "..",
        "link",       // a symbolic link to the outside folder
        "pipe",       // a named pipe
        "./",         // names nothing
    };
    std::string script = R"(
import sys, zipfile
out, outside = sys.argv[1], sys.argv[2]
names = sys.argv[3:]
with zipfile.ZipFile(out, 'w') as z:
    z.writestr('ok.txt', b'fine')
    for n in names:
        i = zipfile.ZipInfo(n)
        i.create_system = 3
        if n == 'link':
            i.external_attr = 0o120777 << 16
            z.writestr(i, outside.encode())
        elif n == 'pipe':
            i.external_attr = 0o010644 << 16
            z.writestr(i, b'')
        else:
            i.external_attr = 0o100644 << 16
            z.writestr(i, b'evil')
    z.writestr('sub/ok2.txt', b'fine too')
    z.writestr('win\\style.txt', b'backslashes separate')
    z.writestr('./dot/ok3.txt', b'dot part dropped')
    z.writestr('link/inside.txt', b'a folder of its own now')
)";
    std::vector<std::string> args = {t.file("evil.zip"), outside};
    args.insert(args.end(), hostile.begin(), hostile.end());
    std::string out;
    ASSERT_EQ(Python(script, args, &out), 0) << out;

    Job unzip(t.file("evil.zip"), t.file("dest"));
    ASSERT_TRUE(unzip.Unzip());
    EXPECT_EQ(unzip.recorder.Texts(ARC_EVENT_CANNOT_UNPACK), hostile);
    EXPECT_EQ(Snapshot(t.file("dest")), (Tree{{"ok.txt", "fine"},
                                              {"sub", "D"},
                                              {"sub/ok2.txt", "fine too"},
                                              {"win", "D"},
                                              {"win/style.txt", "backslashes separate"},
                                              {"dot", "D"},
                                              {"dot/ok3.txt", "dot part dropped"},
                                              {"link", "D"},
                                              {"link/inside.txt", "a folder of its own now"}}));
    EXPECT_TRUE(Snapshot(outside).empty());
    EXPECT_EQ(Snapshot(t.path()).count("evil1.txt"), 0u);
    EXPECT_FALSE(vk::test::FileExists(outside + "/abs1.txt"));
    const std::string summary = unzip.recorder.events.back().text;
    EXPECT_NE(summary.find(", 13 refused"), std::string::npos) << summary;
}

// Links that already lie in the destination are never followed: a folder
// link is not entered, a file link is replaced by the file, and a planted
// link on the temporary name is not written through.
TEST(ArcForeign, NeverWritesThroughLinksInTheDestination) {
    TempFolder t;
    const std::string outside = t.file("outside/");
    WriteFile(outside + "target.txt", "original");
    std::filesystem::create_directories(t.file("dest"));
    std::filesystem::create_directory_symlink(outside, t.file("dest/linkdir"));
    std::filesystem::create_symlink(outside + "target.txt", t.file("dest/linkfile"));
    std::filesystem::create_symlink(outside + "created-through-dangling", t.file("dest/dangling"));
    for (int i = 1; i <= 3; ++i)
        std::filesystem::create_symlink(outside + "planted" + std::to_string(i), t.file("dest/.~arc" + std::to_string(i) + ".part"));

    std::string out;
    ASSERT_EQ(Python(R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    z.writestr('linkdir/pwn.txt', b'through the folder link')
    z.writestr('linkfile', b'new content')
    z.writestr('dangling', b'new file')
    z.writestr('linkdir/', b'')
)",
                     {t.file("a.zip")}, &out),
              0)
        << out;
    Job unzip(t.file("a.zip"), t.file("dest"));
    ASSERT_TRUE(unzip.Unzip());
    EXPECT_EQ(unzip.recorder.Texts(ARC_EVENT_CANNOT_UNPACK), (std::vector<std::string>{"linkdir/pwn.txt", "linkdir/"}));
    EXPECT_EQ(Snapshot(outside), (Tree{{"target.txt", "original"}}));
    EXPECT_EQ(vk::test::ReadFile(t.file("dest/linkfile")), "new content");
    EXPECT_FALSE(std::filesystem::is_symlink(t.file("dest/linkfile")));
    EXPECT_EQ(vk::test::ReadFile(t.file("dest/dangling")), "new file");
}

TEST(ArcForeign, ReportsEncryptedEntriesAndGoesOn) {
    TempFolder t;
    std::string out;
    // Python writes no encrypted entries; set the "encrypted" flag by hand.
    ASSERT_EQ(Python(R"(
import sys, zipfile
path = sys.argv[1]
with zipfile.ZipFile(path, 'w') as z:
    z.writestr('secret.txt', b'0123456789ab' + b'x' * 50)
    z.writestr('plain.txt', b'plain')
raw = bytearray(open(path, 'rb').read())
for sig in (b'PK\x03\x04', b'PK\x01\x02'):
    at = raw.find(sig)
    flag_at = at + (6 if sig == b'PK\x03\x04' else 8)
    raw[flag_at] |= 1
open(path, 'wb').write(raw)
)",
                     {t.file("enc.zip")}, &out),
              0)
        << out;
    Job unzip(t.file("enc.zip"), t.file("dest"));
    ASSERT_TRUE(unzip.Unzip());
    EXPECT_EQ(unzip.recorder.Texts(ARC_EVENT_CANNOT_UNPACK), (std::vector<std::string>{"secret.txt"}));
    EXPECT_EQ(Snapshot(t.file("dest")), (Tree{{"plain.txt", "plain"}}));
}

} // namespace
} // namespace vk::arctest
