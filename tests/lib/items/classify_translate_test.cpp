// Classification of files and translation of archive entries into
// installation paths.
#include "lib/engine/file_items.h"
#include "lib/engine/paths.h"
#include "tests/lib/items/items_fixture.h"

using vk::engine::ClassifyFile;
using vk::engine::TranslateEntry;
using vk::test::ItemsTest;

TEST_F(ItemsTest, ClassifiesByNameTableThenFolder) {
    const struct {
        std::string path; // below the installation root unless absolute
        int32_t expected;
    } cases[] = {
        {"config/WProperties.ini", 1999}, {"bin/TALVERN.INI", 1999},  {"config/units.INI", 4001},
        {"config/setup.inix", 4001},      {"config/site.tcf", 4000},  {"config/survey.lst", 4002},
        {"config/lithology.cmp", 4003},   {"format/crossplot.xpt", 5000}, {"format/grcal.wcp", 5001},
        {"format/gr2.WTD", 5002},         {"config/Depth.WWC", 4004}, {"format/heading.hdr", 5004},
        {"format/log.plt", 5005},         {"format/las20.fmt", 5006}, {"format/openhole.lyf", 5007},
        {"format/neu_env.crv", 5008},     {"sim/perf.sim", 7000},     {"script/cased.seq", 6000},
        {"bin/acqcore32.dll", 2002},      {"bin/Talvern.chm", 2003},  {"bin/dumpcal.out", 2004},
        {"data/Wells/a/pass1.db", 3000},  {"sim/noise.dat", 7999},    {"script/notes.txt", 6999},
        {"bin/readme.txt", 2999},         {"data/Wells/main.raw", 3999}, {"config/calib.bin", 4999},
        {"format/old.prs.bak", 5999},     {"config/SITEKEY", 1002},   {"/elsewhere/x.zzz", 99999},
        // Any file type, anywhere: the table wins over the folder.
        {"/elsewhere/x.ini", 4001},
    };
    for (const auto &c : cases) {
        const std::u16string path = c.path[0] == '/' ? vk::test::U(c.path) : P(c.path);
        EXPECT_EQ(ClassifyFile(path), c.expected) << c.path;
    }
    // The root of this installation holds a dot ("vktest.XXXXXX"); a name
    // without one is still 1002.
    ASSERT_NE(root.find('.'), std::string::npos);
    EXPECT_EQ(ClassifyFile(u"readme"), 1002);
}

TEST_F(ItemsTest, UndefinedFoldersPlaceNothing) {
    vk::test::WriteFile(tmp.file("registry.reg"),
                        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\r\n");
    vk::lib::LoadDirectories();
    EXPECT_EQ(ClassifyFile(u"/opt/x/file.zzz"), 99999);
    EXPECT_EQ(ClassifyFile(u"/opt/x/file.ini"), 4001);
}

TEST_F(ItemsTest, TranslatesEntryNamesPathsAndRecords) {
    BackupJob job = MakeJob(false);
    vk::engine::WriteMetadata(job, u"FileBk", u"4001\\x.ini", u"0,5000");
    vk::engine::WriteMetadata(job, u"FileBk", u"4002\\t.tbl", u"14:NEU,A - No source file.,5001");
    vk::engine::WriteMetadata(job, u"FileBk", u"4001\\nocomma.ini", u"0");
    const struct {
        std::u16string entry;
        int32_t fileClass;
        std::u16string expected;
    } cases[] = {
        {u"3000/Wells/a.db", 0, P("data/Wells/a.db")},
        {u"3000\\Wells\\a.db", 0, P("data/Wells/a.db")},
        {P("data/Wells/North-7/a.db"), 3000, P("data/Wells/North-7/a.db")},
        {u"/elsewhere/a.db", 3000, P("data/a.db")},
        // The recorded class decides, whatever the folder or the caller says.
        {u"4001/x.ini", 0, P("format/x.ini")},
        {u"4001\\x.ini", 4001, P("format/x.ini")},
        // A labelled record: the class is its last field.
        {u"4002/t.tbl", 0, P("format/t.tbl")},
        // A record without a comma keeps the given class.
        {u"4001/nocomma.ini", 4001, P("config/nocomma.ini")},
        {u"6000/perf.wsc", 0, P("script/perf.wsc")},
        {u"1002/readme", 0, P("temp/readme")},
        {u"units.ini", 4001, P("config/units.ini")},
        {u"plain text", 0, u"plain text"},
        {u"99999/x.zzz", 0, u"99999/x.zzz"},
        // A database name never climbs out of the data folder.
        {u"3000/../../etc/passwd.db", 0, P("data/passwd.db")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TranslateEntry(job, c.entry, c.fileClass), c.expected) << vk::test::N(c.entry);
}
