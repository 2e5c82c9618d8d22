// Files that are no archives, truncated and corrupt archives: every call
// fails cleanly or reports the entry, never crashes or hangs, and nothing is
// written outside the destination.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "tests/platform/arczip/arczip_support.h"
#include "tests/support/test_support.h"

namespace vk::arctest {
namespace {

using vk::test::TempFolder;
using vk::test::WriteFile;
using Tree = std::map<std::string, std::string>;

std::string MakeArchive(const TempFolder &t, int files) {
    for (int i = 0; i < files; ++i)
        WriteFile(t.file("work/f" + std::to_string(i) + ".ini"), TextData(2000 + i * 100, i));
    Job zip(t.file("good.zip"));
    EXPECT_TRUE(zip.Zip(t.file("work/")));
    return vk::test::ReadFile(t.file("good.zip"));
}

TEST(ArcDamaged, OpenRefusesWhatIsNoArchive) {
    TempFolder t;
    const std::string good = MakeArchive(t, 5);
    struct Case {
        const char *name;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"empty file", ""},
        {"text", "[Talvern Backup Utility]\r\nName=x\r\n"},
        {"random bytes", RandomData(5000, 9)},
        {"first half", good.substr(0, good.size() / 2)},
        {"without the last byte", good.substr(0, good.size() - 1)},
        {"without the end record", good.substr(0, good.size() - 22)},
        {"first 100 bytes", good.substr(0, 100)},
        {"a lone end record", std::string("PK\x05\x06", 4) + std::string(16, '\xff') + std::string(2, '\0')},
    };
    for (const Case &c : cases) {
        WriteFile(t.file("bad.zip"), c.bytes);
        Job job(t.file("bad.zip"), t.file("dest"));
        EXPECT_EQ(ArcOpen(&job.request), 0) << c.name;
        EXPECT_EQ(job.request.word[ARC_WORD_HANDLE], 0) << c.name;
    }
    Job missing(t.file("missing.zip"), t.file("dest"));
    EXPECT_EQ(ArcOpen(&missing.request), 0);
    Job folder(t.file("work"), t.file("dest"));
    EXPECT_EQ(ArcOpen(&folder.request), 0);
    EXPECT_FALSE(vk::test::FileExists(t.file("dest")));
}

// A CRC error or broken data in one entry: event 4 for it, no partial file,
// the other entries unpacked. When no entry can be unpacked the call fails.
TEST(ArcDamaged, ReportsBrokenEntriesAndUnpacksTheRest) {
    TempFolder t;
    std::string out;
    ASSERT_EQ(Python(R"(
import sys, zipfile
path, which = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(path, 'w') as z:
    z.writestr('a.txt', b'A' * 1000, compress_type=zipfile.ZIP_STORED)
    z.writestr('b.txt', b'hello ' * 1000, compress_type=zipfile.ZIP_DEFLATED)
    z.writestr('c.txt', b'C' * 1000, compress_type=zipfile.ZIP_STORED)
raw = bytearray(open(path, 'rb').read())
z = zipfile.ZipFile(path)
for name in which.split(','):
    i = z.getinfo(name)
    h = i.header_offset
    data_at = h + 30 + raw[h + 26] + 256 * raw[h + 27] + raw[h + 28] + 256 * raw[h + 29]
    raw[data_at + i.compress_size // 2] ^= 0x55
open(path, 'wb').write(raw)
)",
                     {t.file("crc.zip"), "a.txt,b.txt"}, &out),
              0)
        << out;
    Job unzip(t.file("crc.zip"), t.file("dest"));
    EXPECT_TRUE(unzip.Unzip());
    EXPECT_EQ(unzip.recorder.Texts(ARC_EVENT_CANNOT_UNPACK), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(Snapshot(t.file("dest")), (Tree{{"c.txt", std::string(1000, 'C')}}));

    ASSERT_EQ(Python(R"(
import sys, zipfile
path = sys.argv[1]
with zipfile.ZipFile(path, 'w') as z:
    z.writestr('only.txt', b'O' * 1000, compress_type=zipfile.ZIP_STORED)
raw = bytearray(open(path, 'rb').read())
raw[30 + len('only.txt') + 500] ^= 1
open(path, 'wb').write(raw)
)",
                     {t.file("all-bad.zip")}, &out),
              0)
        << out;
    Job allBad(t.file("all-bad.zip"), t.file("dest2"));
    EXPECT_FALSE(allBad.Unzip());
    EXPECT_TRUE(allBad.opened);
    EXPECT_EQ(allBad.recorder.Count(ARC_EVENT_CANNOT_UNPACK), 1);
    EXPECT_TRUE(Snapshot(t.file("dest2")).empty());
}

// The sizes an archive declares are known before anything is unpacked, and an
// entry whose data runs longer than it declares is refused: the room checked
// before unpacking must hold what is written.
TEST(ArcDamaged, DeclaredSizesAndEntriesLongerThanDeclared) {
    TempFolder t;
    std::string out;
    ASSERT_EQ(Python(R"(
import sys, zipfile, struct
path = sys.argv[1]
with zipfile.ZipFile(path, 'w') as z:
    z.writestr('short.txt', b'S' * 1000, compress_type=zipfile.ZIP_DEFLATED)
    z.writestr('stored.txt', b'T' * 1000, compress_type=zipfile.ZIP_STORED)
    z.writestr('right.txt', b'R' * 3000, compress_type=zipfile.ZIP_DEFLATED)
raw = bytearray(open(path, 'rb').read())
z = zipfile.ZipFile(path)
for name in ('short.txt', 'stored.txt'):
    i = z.getinfo(name)
    struct.pack_into('<I', raw, i.header_offset + 22, 10)  # local header: uncompressed size
c = raw.find(b'PK\x01\x02')
while c >= 0:
    n = struct.unpack_from('<H', raw, c + 28)[0]
    if bytes(raw[c + 46:c + 46 + n]) in (b'short.txt', b'stored.txt'):
        struct.pack_into('<I', raw, c + 24, 10)  # central directory: uncompressed size
    c = raw.find(b'PK\x01\x02', c + 4)
open(path, 'wb').write(raw)
)",
                     {t.file("long.zip")}, &out),
              0)
        << out;
    Job unzip(t.file("long.zip"), t.file("dest"));
    ASSERT_EQ(ArcOpen(&unzip.request), 1);
    uint64_t entries = 0, bytes = 0;
    EXPECT_EQ(ArcUnpackedSize(&unzip.request, &entries, &bytes), 1);
    EXPECT_EQ(entries, 3u);
    EXPECT_EQ(bytes, 3020u);
    EXPECT_EQ(ArcExtractAll(&unzip.request), 1);
    EXPECT_EQ(ArcClose(&unzip.request), 1);
    const std::vector<std::string> refused = unzip.recorder.Texts(ARC_EVENT_CANNOT_UNPACK);
    EXPECT_EQ(refused, (std::vector<std::string>{"short.txt", "stored.txt"}));
    EXPECT_EQ(Snapshot(t.file("dest")), (Tree{{"right.txt", std::string(3000, 'R')}}));

    // Not between ArcOpen and ArcClose: no sizes.
    EXPECT_EQ(ArcUnpackedSize(&unzip.request, &entries, &bytes), 0);
    EXPECT_EQ(ArcUnpackedSize(nullptr, &entries, &bytes), 0);
}

// Random damage anywhere in the archive: the calls end, report or fail, and
// whatever they write stays inside the destination, without temporary files.
TEST(ArcDamaged, SurvivesRandomCorruption) {
    TempFolder t;
    const std::string good = MakeArchive(t, 12);
    std::mt19937 rng(20240131);
    for (int round = 0; round < 150; ++round) {
        std::string bytes = good;
        if (round % 5 == 4) {
            bytes.resize(rng() % bytes.size());
        } else {
            const int flips = 1 + static_cast<int>(rng() % 8);
            for (int f = 0; f < flips; ++f) bytes[rng() % bytes.size()] ^= static_cast<char>(1 + rng() % 255);
        }
        const std::string folder = t.file("round" + std::to_string(round) + "/");
        WriteFile(folder + "a.zip", bytes);
        Job unzip(folder + "a.zip", folder + "dest");
        unzip.Unzip();
        for (const auto &entry : Snapshot(folder)) {
            const std::string &name = entry.first;
            if (name == "a.zip" || name == "dest") continue;
            ASSERT_EQ(name.rfind("dest/", 0), 0u) << "round " << round << ": " << name;
            // A damaged name may give another file name, but inside the destination.
            ASSERT_EQ(name.find(".~arc"), std::string::npos) << "round " << round << ": " << name;
        }
        std::filesystem::remove_all(folder);
    }
}

} // namespace
} // namespace vk::arctest
