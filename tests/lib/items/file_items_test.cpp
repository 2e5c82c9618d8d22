// File items: backup into the work folder, restore under the version policy,
// progress code 9 and the error dialog, records in "Backup.why".
#include "lib/engine/file_items.h"
#include "lib/engine/file_items_internal.h"
#include "lib/resources/library_dialogs.h"
#include "tests/lib/items/items_fixture.h"

using vk::engine::BackupFileItem;
using vk::engine::RestoreFileItem;
using vk::test::ItemsTest;

namespace {

bool HasCall(const std::vector<vk::test::ProgressCall> &calls, int code, intptr_t value, const std::u16string &text) {
    for (const auto &c : calls)
        if (c.code == code && c.value == value && c.text == text) return true;
    return false;
}

} // namespace

TEST_F(ItemsTest, BackupReadsOnceAndKeepsEntriesOnAppend) {
    Put("config/x.ini", "[A]\r\nk=1\r\n");
    BackupJob job = MakeJob(true);
    EXPECT_EQ(BackupFileItem(job, 1002, 0, 0, P("config/x.ini"), nullptr, nullptr), StatusOk);
    EXPECT_EQ(Why(job, u"FileBk", u"4001\\x.ini"), u"0,4001");
    EXPECT_TRUE(HasCall(Calls(), 9, StatusOk, P("config/x.ini")));
    // Nothing is copied into the work folder for a file item.
    EXPECT_FALSE(vk::test::FileExists(root + "work/4001/x.ini"));

    // The same file again: not read again, a success with code 7; the archive
    // holds the file as it was when its first item was called.
    Put("config/x.ini", "[A]\r\nk=2\r\n");
    Calls().clear();
    EXPECT_EQ(BackupFileItem(job, 4001, 0, 0, u"x.ini", nullptr, nullptr), StatusOk);
    EXPECT_TRUE(HasCall(Calls(), 9, StatusDestinationExists, P("config/x.ini")));

    // On an append the archive's entry stays and nothing is reported.
    job.append = 1;
    Calls().clear();
    EXPECT_EQ(BackupFileItem(job, 1002, 0, 0, P("config/x.ini"), nullptr, nullptr), StatusOk);
    EXPECT_TRUE(Calls().empty());
    WriteArchive(job);
    EXPECT_EQ(Archived("4001/x.ini"), "[A]\r\nk=1\r\n");
}

TEST_F(ItemsTest, BackupKeepsDatabaseFoldersAndLongPaths) {
    // Far beyond 255 characters: a cut path would name another file.
    std::string deep = "data/Wells";
    while (deep.size() < 300) deep += "/North-7-Run-folder";
    Put(deep + "/pass1.db", "db");
    BackupJob job = MakeJob(true);
    std::u16string handled;
    EXPECT_EQ(BackupFileItem(job, 1002, 0, 0, P(deep + "/pass1.db"), &handled, nullptr), StatusOk);
    EXPECT_EQ(handled, P(deep + "/pass1.db"));
    const std::string below = deep.substr(5) + "/pass1.db";
    std::u16string key = u"3000\\" + vk::test::U(below);
    for (char16_t &c : key)
        if (c == u'/') c = u'\\';
    EXPECT_EQ(Why(job, u"FileBk", key), u"0,3000");
    WriteArchive(job);
    EXPECT_EQ(Archived("3000/" + below), "db");

    // Restored by its full path and by its entry name, to the same place.
    vk::fs::RemoveTree(P("data/Wells"));
    BackupJob restore = MakeJob(false);
    EXPECT_EQ(RestoreFileItem(restore, 1002, 0, 0, P(deep + "/pass1.db"), &handled, nullptr), StatusOk);
    EXPECT_EQ(handled, work + u"3000/" + vk::test::U(below));
    EXPECT_EQ(vk::test::ReadFile(root + deep + "/pass1.db"), "db");
    vk::fs::RemoveTree(P("data/Wells"));
    EXPECT_EQ(RestoreFileItem(restore, 3000, 0, 0, u"3000/" + vk::test::U(below), nullptr, nullptr), StatusOk);
    EXPECT_EQ(vk::test::ReadFile(root + deep + "/pass1.db"), "db");
    EXPECT_EQ(Why(restore, u"FileRestore", u"pass1.db"), u"0,3000");
}

TEST_F(ItemsTest, FailedBackupCopyIsReportedAlsoWhenQuiet) {
    Put("format/a.prs", "p");
    for (const uint32_t quiet : {0u, VKF_QUIET}) {
        for (const int answer : {1, 0}) {
            BackupJob job = MakeJob(true);
            vk::fs::RemoveTree(work + u"5000");
            vk::ui::ClearShownLog();
            Calls().clear();
            Answer() = answer;
            vk::fs::FailNth(vk::fs::Op::Open, 1); // the read of the file
            EXPECT_EQ(BackupFileItem(job, 1002, quiet, 0, P("format/a.prs"), nullptr, nullptr), StatusWindowsError);
            vk::fs::ResetFaults();
            EXPECT_EQ(Why(job, u"FileBk", u"5000\\a.prs"), u"9,5000");
            EXPECT_EQ(job.flags & VKF_QUIET, 0u) << "item flags are taken out again";
            if (quiet) {
                EXPECT_TRUE(Calls().empty());
                EXPECT_EQ(DialogsShown(vk::lib::kDialogCopyError), 0u);
                EXPECT_EQ(job.flags & VKF_REPORT_DUE, 0u);
            } else {
                EXPECT_TRUE(HasCall(Calls(), 9, StatusWindowsError, P("format/a.prs")));
                EXPECT_EQ(DialogsShown(vk::lib::kDialogCopyError), answer ? 1u : 0u);
                EXPECT_NE(job.flags & VKF_REPORT_DUE, 0u);
            }
        }
    }
    // The dialog's text: "File not copied.", the reason, the path.
    BackupJob job = MakeJob(true);
    Answer() = 1;
    vk::ui::ClearShownLog();
    EXPECT_EQ(BackupFileItem(job, 1002, 0, 0, P("format/missing.prs"), nullptr, nullptr), StatusNoSourceFile);
    ASSERT_EQ(DialogsShown(vk::lib::kDialogCopyError), 1u);
    EXPECT_EQ(vk::ui::ShownLog().back().caption, u"Warning");
    EXPECT_EQ(vk::engine::CopyErrorText(StatusNoSourceFile, 0, u"/x/y.prs"),
              u"File not copied.\n\nNo source file.\n\n/x/y.prs");
    EXPECT_EQ(vk::engine::CopyErrorText(StatusWindowsError, vk::fs::kErrorAccessDenied, u"/x"),
              u"File not copied.\n\n" + vk::fs::ErrorText(vk::fs::kErrorAccessDenied) + u"\n\n/x");
    // Long paths are cut to the dialog's 1,019 characters, never beyond.
    EXPECT_EQ(vk::engine::CopyErrorText(StatusNoSourceFile, 0, std::u16string(3000, u'a')).size(), 1019u);
}

TEST_F(ItemsTest, WorkFolderThatCannotBeMadeFailsTheMainFileItem) {
    // The main properties file is the one file item that writes into the
    // work folder (its sections, as ini items).
    Put("config/WProperties.ini", "[A]\r\n");
    vk::test::WriteFile(root + "work/1999", "a file where the class folder belongs");
    for (const uint32_t quiet : {0u, VKF_QUIET}) {
        BackupJob job = MakeJob(true);
        EXPECT_EQ(BackupFileItem(job, 1002, quiet, 0, P("config/WProperties.ini"), nullptr, nullptr),
                  StatusWindowsError);
        EXPECT_EQ(Why(job, u"FileBk", u"1999\\WProperties.ini"), u"9,1999");
    }
}

TEST_F(ItemsTest, RestoreVersionRules) {
    const struct {
        const char *source; // "" = unversioned
        const char *destination;
        int expected;
    } cases[] = {
        {"2.0.9.9", "2.1.0.0", StatusDestinationNewer},
        {"2.1.0.0", "2.1.0.0", StatusOk},
        {"2.1.0.1", "2.1.0.0", StatusOk},
        {"1.0", "", StatusOk},
        {"", "1.0", StatusDestinationNewer},
        {"3,2_1", "3.2.1.0", StatusOk},
        {"3,2_1", "3.2.1.1", StatusDestinationNewer},
        // A major part above 32767 is a high version, not a negative one.
        {"40000.0", "1.0", StatusOk},
        {"1.0", "40000.0", StatusDestinationNewer},
    };
    for (const auto &c : cases) {
        BackupJob job = MakeJob(false);
        const bool sourceVersioned = *c.source != 0;
        const bool destinationVersioned = *c.destination != 0;
        if (sourceVersioned) PutVersioned("work/4002/t.tbl", c.source, "new");
        else Put("work/4002/t.tbl", "[Body]\r\nTag=new\r\n");
        if (destinationVersioned) PutVersioned("config/t.tbl", c.destination, "old");
        else Put("config/t.tbl", "[Body]\r\nTag=old\r\n");
        EXPECT_EQ(RestoreFileItem(job, 1002, 0, 0, P("config/t.tbl"), nullptr, nullptr), c.expected)
            << c.source << " over " << c.destination;
        EXPECT_EQ(Ini("config/t.tbl", u"Body", u"Tag"), c.expected == StatusOk ? u"new" : u"old");
    }
    // No installed file: copied whatever the version.
    BackupJob job = MakeJob(false);
    vk::fs::DeleteFile(P("config/t.tbl"));
    Put("work/4002/t.tbl", "[Body]\r\nTag=new\r\n");
    EXPECT_EQ(RestoreFileItem(job, 4002, 0, 0, u"t.tbl", nullptr, nullptr), StatusOk);
}

TEST_F(ItemsTest, NonVersionedPolicy) {
    Put("config/vaultkeep.ini",
        "[NonVersionedFileRestore]\r\nhotkeys.ini=DoNotOverwrite\r\ndepth.wwc=DoNotOverwrite\r\n*.ini=Ask\r\n"
        "*.prs=Overwrite\r\n*.crv=Keep\r\n");
    const struct {
        std::string path;       // below the root; the copy lies in work/<class>/
        std::string entryFolder;
        const char *answers;    // scripted box answers
        int expected;
        bool asked;
    } cases[] = {
        {"config/x.ini", "4001", "box:Yes", StatusOk, true},
        {"config/x.ini", "4001", "box:No", StatusDestinationNewer, true},
        {"config/HotKeys.ini", "4001", "", StatusDestinationNewer, false}, // its own key beats *.ini
        {"config/Depth.WWC", "4004", "", StatusDestinationNewer, false},
        {"format/a.prs", "5000", "", StatusOk, false},
        {"format/n.crv", "5008", "", StatusOk, false},   // unknown value: overwrite
        {"format/h.hdr", "5004", "", StatusOk, false},   // no policy: overwrite
    };
    for (const auto &c : cases) {
        BackupJob job = MakeJob(false);
        const std::string name = c.path.substr(c.path.rfind('/') + 1);
        Put("work/" + c.entryFolder + "/" + name, "new");
        Put(c.path, "old");
        vk::ui::ClearShownLog();
        vk::ui::ClearAnswers();
        vk::ui::QueueAnswers(vk::test::U(c.answers));
        Answer() = 0; // no error dialog for the refusals
        EXPECT_EQ(RestoreFileItem(job, 1002, 0, 0, P(c.path), nullptr, nullptr), c.expected) << c.path;
        EXPECT_EQ(vk::test::ReadFile(root + c.path), c.expected == StatusOk ? "new" : "old") << c.path;
        size_t boxes = 0;
        for (const auto &s : vk::ui::ShownLog()) {
            if (s.what != vk::ui::Shown::What::Box) continue;
            ++boxes;
            EXPECT_EQ(s.text, u"File " + P(c.path) + u" exists, overwrite?");
            EXPECT_EQ(s.caption, u"Verify to continue");
        }
        EXPECT_EQ(boxes, c.asked ? 1u : 0u) << c.path;
    }
}

TEST_F(ItemsTest, VersionsFromBinariesDecide) {
    // Minimal PE files with a version resource.
    auto pe = [](uint16_t major, uint16_t minor) {
        std::string f(0x400, '\0');
        auto put16 = [&f](size_t at, uint32_t v) {
            f[at] = static_cast<char>(v & 0xFF);
            f[at + 1] = static_cast<char>((v >> 8) & 0xFF);
        };
        auto put32 = [&](size_t at, uint32_t v) {
            put16(at, v & 0xFFFF);
            put16(at + 2, v >> 16);
        };
        f[0] = 'M';
        f[1] = 'Z';
        put32(0x3C, 0x80);
        f.replace(0x80, 4, std::string("PE\0\0", 4));
        put16(0x84, 0x14C);
        put16(0x86, 1);
        put16(0x94, 224);
        const size_t opt = 0x98;
        put16(opt, 0x10B);
        put32(opt + 92, 16);
        put32(opt + 96 + 16, 0x1000);
        put32(opt + 96 + 20, 0x200);
        const size_t sec = opt + 224;
        f.replace(sec, 5, ".rsrc");
        put32(sec + 8, 0x200);
        put32(sec + 12, 0x1000);
        put32(sec + 16, 0x200);
        put32(sec + 20, 0x200);
        const size_t r = 0x200;
        put16(r + 14, 1);
        put32(r + 16, 16);
        put32(r + 20, 0x80000000u | 0x18);
        put16(r + 0x18 + 14, 1);
        put32(r + 0x18 + 16, 1);
        put32(r + 0x18 + 20, 0x80000000u | 0x30);
        put16(r + 0x30 + 14, 1);
        put32(r + 0x30 + 16, 0x409);
        put32(r + 0x30 + 20, 0x48);
        const size_t vi = 0x58;
        put32(r + 0x48, 0x1000 + vi);
        put32(r + 0x48 + 4, 92);
        put16(r + vi, 92);
        put16(r + vi + 2, 52);
        const char16_t key[] = u"VS_VERSION_INFO";
        for (size_t i = 0; i < 16; ++i) put16(r + vi + 6 + 2 * i, key[i]);
        put32(r + vi + 40, 0xFEEF04BD);
        put32(r + vi + 44, 0x10000);
        put32(r + vi + 48, (static_cast<uint32_t>(major) << 16) | minor);
        return f;
    };
    ASSERT_EQ(vk::engine::FileVersion([&] {
                  Put("bin/probe.dll", pe(2, 5));
                  return P("bin/probe.dll");
              }()),
              0x0002000500000000ULL);

    Answer() = 0;
    const struct {
        uint16_t source, destination;
        int expected;
    } cases[] = {{2, 3, StatusDestinationNewer}, {3, 2, StatusOk}, {3, 3, StatusOk}};
    for (const auto &c : cases) {
        BackupJob job = MakeJob(false);
        Put("work/2002/acq.dll", pe(c.source, 0));
        Put("bin/acq.dll", pe(c.destination, 0));
        EXPECT_EQ(RestoreFileItem(job, 1002, 0, 0, P("bin/acq.dll"), nullptr, nullptr), c.expected);
        EXPECT_EQ(vk::engine::FileVersion(P("bin/acq.dll")) >> 48, c.expected == StatusOk ? c.source : c.destination);
    }
    // A stand-in without a version never replaces a versioned binary.
    BackupJob job = MakeJob(false);
    Put("work/2002/acq.dll", "MZ no resource");
    EXPECT_EQ(RestoreFileItem(job, 1002, 0, 0, P("bin/acq.dll"), nullptr, nullptr), StatusDestinationNewer);
}

TEST_F(ItemsTest, RestoreOutcomesAndRecords) {
    Answer() = 0;
    // Missing source: 6, nothing recorded, the path handled still given.
    {
        BackupJob job = MakeJob(false);
        std::u16string handled;
        EXPECT_EQ(RestoreFileItem(job, 1002, 0, 0, P("config/gone.ini"), &handled, nullptr), StatusNoSourceFile);
        EXPECT_EQ(handled, work + u"4001/gone.ini");
        EXPECT_EQ(Why(job, u"FileRestore", u"gone.ini"), u"");
    }
    // Read-only destination: 10 and the report flag.
    {
        BackupJob job = MakeJob(false);
        Put("work/5001/g.wcp", "new");
        Put("format/g.wcp", "old");
        vk::fs::SetReadOnly(P("format/g.wcp"), true);
        EXPECT_EQ(RestoreFileItem(job, 1002, 0, 0, u"g.wcp", nullptr, nullptr), StatusAccessDenied);
        EXPECT_EQ(Why(job, u"FileRestore", u"g.wcp"), u"10,5001");
        EXPECT_NE(job.flags & VKF_REPORT_DUE, 0u);
        vk::fs::SetReadOnly(P("format/g.wcp"), false);
    }
    // Missing home folders are made; a name without a dot lands in TempDir.
    {
        BackupJob job = MakeJob(false);
        vk::fs::RemoveTree(P("sim"));
        Put("work/7000/perf.sim", "s");
        Put("work/1002/readme", "r");
        EXPECT_EQ(RestoreFileItem(job, 1002, 0, 0, P("sim/perf.sim"), nullptr, nullptr), StatusOk);
        EXPECT_EQ(vk::test::ReadFile(root + "sim/perf.sim"), "s");
        EXPECT_EQ(RestoreFileItem(job, 1002, 0, 0, u"readme", nullptr, nullptr), StatusOk);
        EXPECT_EQ(vk::test::ReadFile(root + "temp/readme"), "r");
    }
    // The main properties file never comes back as a whole file.
    {
        BackupJob job = MakeJob(false);
        Put("work/1999/WProperties.ini", "[Global]\r\nTCP=0\r\n");
        Put("config/WProperties.ini", "[Global]\r\nTCP=1\r\n");
        EXPECT_EQ(RestoreFileItem(job, 1002, 0, 0, P("config/WProperties.ini"), nullptr, nullptr), StatusSkipOne);
        EXPECT_EQ(Ini("config/WProperties.ini", u"Global", u"TCP"), u"1");
    }
    // A plain-source job restores the chosen file itself to a file of its own
    // name (labelled records); any other file has no source, nothing recorded.
    {
        BackupJob job = MakeJob(false);
        job.flags |= VKF_PLAIN_SOURCE;
        job.archivePath = P("backup/Survey.LST");
        Put("backup/Survey.LST", "plain");
        EXPECT_EQ(RestoreFileItem(job, 1002, 0, 0, P("config/survey.lst"), nullptr, u"Svc"), StatusOk);
        EXPECT_EQ(vk::test::ReadFile(root + "config/survey.lst"), "plain");
        EXPECT_EQ(Why(job, u"FileRestore", u"survey.lst"), u"14:Svc - Ok,4002");
        EXPECT_EQ(RestoreFileItem(job, 1002, 0, 0, P("config/other.lst"), nullptr, u"Svc"), StatusNoSourceFile);
        EXPECT_FALSE(vk::test::FileExists(root + "config/other.lst"));
        EXPECT_EQ(Why(job, u"FileRestore", u"other.lst"), u"");
    }
}

namespace {
std::vector<std::u16string> &HookCalls() {
    static std::vector<std::u16string> calls;
    return calls;
}
int RefusingHook(BackupJob *, int32_t type, uint32_t, uint32_t, const char16_t *source, const char16_t *destination,
                 const char16_t *third) {
    HookCalls().push_back(vk::test::U(std::to_string(type)) + u"|" + source + u"|" + destination + u"|" +
                          (third ? u"third" : u"null"));
    return StatusNotTranslated;
}
} // namespace

TEST_F(ItemsTest, HookDecidesBeforeAnyCopy) {
    BackupJob job = MakeJob(false);
    job.translate = &RefusingHook;
    HookCalls().clear();
    Put("work/2002/talvern.exe", "new");
    Put("bin/talvern.exe", "old");
    EXPECT_EQ(RestoreFileItem(job, 1002, 0, 0, P("bin/talvern.exe"), nullptr, nullptr), StatusNotTranslated);
    ASSERT_EQ(HookCalls().size(), 1u);
    EXPECT_EQ(HookCalls()[0], u"2002|" + work + u"2002/talvern.exe|" + P("bin/talvern.exe") + u"|null");
    EXPECT_EQ(vk::test::ReadFile(root + "bin/talvern.exe"), "old");
    EXPECT_EQ(Why(job, u"FileRestore", u"talvern.exe"), u"");
}

TEST_F(ItemsTest, VarsIniInstallsDefinitionsAndSucceeds) {
    Answer() = 0;
    BackupJob job = MakeJob(false);
    PutVersioned("work/4001/vars.ini", "1.0", "new");
    PutVersioned("config/vars.ini", "2.0", "old");
    // Refused by the version check, yet the item counts as restored.
    EXPECT_EQ(RestoreFileItem(job, 1002, 0, 0, P("config/vars.ini"), nullptr, nullptr), StatusOk);
    EXPECT_EQ(Ini("config/vars.ini", u"Body", u"Tag"), u"old");
    EXPECT_EQ(Why(job, u"FileRestore", u"vars.ini"), u"0,4001");
}

TEST_F(ItemsTest, ExtraExternalFilesCarryTheirClass) {
    Put("config/tools.ini",
        "[NEU-NEU2201]\r\nExtraExternalFile1=a.wcp,5001\r\nExtraExternalFile2=b.wcp\r\n"
        "ExtraExternalFile4=never.wcp\r\n"
        "[Plain]\r\nExtraExternalFile1=neu_table.tbl\r\nExtraExternalFile2=neu_env.crv, 5008\r\n"
        "ExtraExternalFile3=neu_char.tbl\r\n[Empty]\r\nOther=1\r\n");
    Put("format/a.wcp", "a");
    Put("format/b.wcp", "b");
    Put("config/neu_table.tbl", "t");
    Put("format/neu_env.crv", "e");
    Put("format/neu_char.tbl", "c");
    BackupJob job = MakeJob(true);
    const std::u16string tools = P("config/tools.ini");
    EXPECT_EQ(vk::engine::ExtraFiles(job, u"NEU-NEU2201", tools), StatusOk);
    EXPECT_EQ(Why(job, u"FileBk", u"5001\\a.wcp"), u"14:NEU-NEU2201 - Ok,5001");
    EXPECT_EQ(Why(job, u"FileBk", u"5001\\b.wcp"), u"14:NEU-NEU2201 - Ok,5001");
    EXPECT_EQ(Why(job, u"FileBk", u"5001\\never.wcp"), u"");

    EXPECT_EQ(vk::engine::ExtraFiles(job, u"Plain", tools), StatusOk);
    EXPECT_EQ(vk::engine::ExtraFiles(job, u"Empty", tools), StatusOk);

    // The last file's status is the result; restore puts them back home.
    vk::fs::DeleteFile(P("format/b.wcp"));
    EXPECT_EQ(vk::engine::ExtraFiles(job, u"NEU-NEU2201", tools), StatusNoSourceFile);
    WriteArchive(job);
    EXPECT_EQ(Archived("4002/neu_table.tbl"), "t");
    EXPECT_EQ(Archived("5008/neu_env.crv"), "e");
    EXPECT_EQ(Archived("5008/neu_char.tbl"), "c");
    EXPECT_EQ(Archived("5001/never.wcp"), "");
    BackupJob restore = MakeJob(false);
    vk::fs::DeleteFile(P("format/a.wcp"));
    EXPECT_EQ(vk::engine::ExtraFiles(restore, u"NEU-NEU2201", tools), StatusOk);
    EXPECT_EQ(vk::test::ReadFile(root + "format/a.wcp"), "a");
    EXPECT_EQ(vk::test::ReadFile(root + "format/b.wcp"), "b");
}
