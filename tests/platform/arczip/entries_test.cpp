// The entry-by-entry form: files added one at a time (read at the call,
// deflated on the other cores), entries of an existing archive kept as
// stored, compressed data beyond the memory budget spilled to disk; single
// entries listed and unpacked.
#include <gtest/gtest.h>

#include <filesystem>

#include "arczip32/arczip32.h"
#include "arczip32/entry_store.h"
#include "platform/fs/fs.h"
#include "tests/platform/arczip/arczip_support.h"

namespace vk::arctest {
namespace {

using vk::test::TempFolder;
using vk::test::U;
using vk::test::WriteFile;

int AddFile(Job &job, const std::string &name, const std::string &path) {
    return ArcAddFile(&job.request, U(name).c_str(), U(path).c_str());
}

int Has(Job &job, const std::string &name) { return ArcHasEntry(&job.request, U(name).c_str()); }

std::string Entry(const std::string &archive, const std::string &name) {
    std::string out;
    Shell("unzip -p " + Quote(archive) + " " + Quote(name), &out);
    return out;
}

TEST(ArcEntries, FilesAreReadAtTheCallAndOldEntriesKeptAsStored) {
    TempFolder t;
    WriteFile(t.file("in/a.ini"), TextData(30000, 1));
    WriteFile(t.file("in/big.db"), RandomData(6 << 20, 2)); // deflated while read
    WriteFile(t.file("work/Backup.why"), "[Talvern Backup Utility]\r\nName=x\r\n");
    Job first(t.file("a.zip"));
    ASSERT_EQ(ArcCreate(&first.request), 1);
    EXPECT_EQ(AddFile(first, "4001/a.ini", t.file("in/a.ini")), 1);
    // The file as it was at the call, whatever happens to it afterwards.
    WriteFile(t.file("in/a.ini"), "changed");
    EXPECT_EQ(AddFile(first, "3000/Wells/big.db", t.file("in/big.db")), 1);
    EXPECT_EQ(Has(first, "4001/a.ini"), 1);
    EXPECT_EQ(Has(first, "4001/b.ini"), 0);
    EXPECT_EQ(AddFile(first, "4001/missing.ini", t.file("in/missing.ini")), 0);
    EXPECT_EQ(ArcAddFolder(&first.request, U(t.file("work/")).c_str()), 1);
    EXPECT_EQ(ArcFinish(&first.request), 1);
    // One event 1 per entry, the files added before the folder's included.
    EXPECT_EQ(first.recorder.Texts(ARC_EVENT_FILE),
              (std::vector<std::string>{"4001/a.ini", "3000/Wells/big.db", "Backup.why"}));
    EXPECT_EQ(Shell("unzip -tq " + Quote(t.file("a.zip"))), 0);
    EXPECT_EQ(Entry(t.file("a.zip"), "4001/a.ini"), TextData(30000, 1));
    EXPECT_EQ(Entry(t.file("a.zip"), "3000/Wells/big.db"), RandomData(6 << 20, 2));

    // An append: the old entries as stored, a new one, the folder's copy of
    // Backup.why in place of the old one (at its place).
    WriteFile(t.file("work/Backup.why"), "[Talvern Backup Utility]\r\nName=x\r\nAppendDate=1\r\n");
    Job second(t.file("a.zip"));
    ASSERT_EQ(ArcCreate(&second.request), 1);
    EXPECT_EQ(ArcAddArchive(&second.request, U(t.file("a.zip")).c_str()), 1);
    EXPECT_EQ(Has(second, "3000/Wells/big.db"), 1);
    EXPECT_EQ(AddFile(second, "4001/b.ini", t.file("in/a.ini")), 1);
    EXPECT_EQ(ArcAddFolder(&second.request, U(t.file("work/")).c_str()), 1);
    EXPECT_EQ(ArcFinish(&second.request), 1);
    EXPECT_EQ(Shell("unzip -tq " + Quote(t.file("a.zip"))), 0);
    std::string listing;
    Python("import sys, zipfile\nprint(' '.join(zipfile.ZipFile(sys.argv[1]).namelist()))", {t.file("a.zip")},
           &listing);
    EXPECT_EQ(listing, "4001/a.ini 3000/Wells/big.db Backup.why 4001/b.ini\n");
    EXPECT_EQ(Entry(t.file("a.zip"), "4001/a.ini"), TextData(30000, 1));
    EXPECT_EQ(Entry(t.file("a.zip"), "4001/b.ini"), "changed");
    EXPECT_NE(Entry(t.file("a.zip"), "Backup.why").find("AppendDate=1"), std::string::npos);
}

TEST(ArcEntries, CompressedDataBeyondTheBudgetSpillsAndReadsBack) {
    vk::arc::EntryStore store(1000);
    vk::arc::CompressedData data;
    ASSERT_TRUE(store.Keep(data, std::string(600, 'a')));
    ASSERT_TRUE(store.Keep(data, std::string(600, 'b'))); // beyond the budget
    ASSERT_EQ(data.segments.size(), 2u);
    EXPECT_FALSE(data.segments[0].spilled);
    EXPECT_TRUE(data.segments[1].spilled);
    EXPECT_EQ(store.SpilledBytes(), 600u);
    std::string back(600, '\0');
    ASSERT_TRUE(store.Read(data.segments[1], 0, back.data(), back.size()));
    EXPECT_EQ(back, std::string(600, 'b'));
    EXPECT_FALSE(store.Read(data.segments[1], 1, back.data(), back.size())); // past its end
    // The spill file has no name: nothing is left in the temporary folder.
    EXPECT_TRUE(FilesStartingWith(vk::test::N(vk::fs::TempDirectory()), "arczip-spill").empty());
}

TEST(ArcEntries, CancelWhileCollectingKeepsTheOldArchive) {
    TempFolder t;
    WriteFile(t.file("a.zip"), "old");
    WriteFile(t.file("in/a.ini"), TextData(1000, 3));
    WriteFile(t.file("work/Backup.why"), "x");
    Job job(t.file("a.zip"));
    ASSERT_EQ(ArcCreate(&job.request), 1);
    EXPECT_EQ(AddFile(job, "4001/a.ini", t.file("in/a.ini")), 1);
    job.cancel = 1;
    EXPECT_EQ(ArcAddFolder(&job.request, U(t.file("work/")).c_str()), 0);
    EXPECT_EQ(ArcFinish(&job.request), 0);
    EXPECT_EQ(vk::test::ReadFile(t.file("a.zip")), "old");
    EXPECT_TRUE(FilesStartingWith(t.path(), ".~arc").empty());
}

TEST(ArcEntries, SingleEntriesAreListedAndUnpacked) {
    TempFolder t;
    WriteFile(t.file("src/Backup.why"), "why");
    WriteFile(t.file("src/4001/A.ini"), "a");
    WriteFile(t.file("src/3000/Wells/w.db"), "w");
    ASSERT_EQ(Shell("cd " + Quote(t.file("src")) + " && zip -qr ../a.zip Backup.why 4001 3000"), 0);
    ASSERT_EQ(Python("import sys, zipfile\n"
                     "with zipfile.ZipFile(sys.argv[1], 'a') as z: z.writestr('../evil.ini', 'x')",
                     {t.file("a.zip")}),
              0);
    Job job(t.file("a.zip"), t.file("work"));
    std::filesystem::create_directories(t.file("work"));
    ASSERT_EQ(ArcOpen(&job.request), 1);
    EXPECT_EQ(ArcListEntries(&job.request), 1);
    EXPECT_EQ(job.recorder.Count(ARC_EVENT_START), 1);
    EXPECT_EQ(job.recorder.Texts(ARC_EVENT_CANNOT_UNPACK), std::vector<std::string>{"../evil.ini"});
    EXPECT_EQ(job.recorder.Count(ARC_EVENT_FILE), 3);
    EXPECT_TRUE(Snapshot(t.file("work")).empty()); // a listing writes nothing

    const char16_t *names[] = {u"Backup.why", u"4001/tools.ini"};
    EXPECT_EQ(ArcExtractNamed(&job.request, names, 2), 1); // a missing name is passed over
    EXPECT_EQ(Snapshot(t.file("work")), (std::map<std::string, std::string>{{"Backup.why", "why"}}));

    EXPECT_EQ(Has(job, "4001/a.ini"), 1); // any letter case
    EXPECT_EQ(Has(job, "../evil.ini"), 0);
    EXPECT_EQ(ArcExtractEntry(&job.request, u"3000\\Wells\\w.db", U(t.file("out.db")).c_str()), 1);
    EXPECT_EQ(vk::test::ReadFile(t.file("out.db")), "w");
    // Never over an existing file, never a missing entry.
    EXPECT_EQ(ArcExtractEntry(&job.request, u"4001/A.ini", U(t.file("out.db")).c_str()), 0);
    EXPECT_EQ(vk::test::ReadFile(t.file("out.db")), "w");
    EXPECT_EQ(ArcExtractEntry(&job.request, u"4001/none.ini", U(t.file("none")).c_str()), 0);
    EXPECT_FALSE(vk::test::FileExists(t.file("none")));
    EXPECT_EQ(ArcClose(&job.request), 1);
}

} // namespace
} // namespace vk::arctest
