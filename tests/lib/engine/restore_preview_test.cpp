// What a restore caller can learn and decide before and around the items:
// the preview of a file item (VKRestoreFileView) against the version policy,
// restores whatever the versions (VKF_ANY_VERSION), a confirmed restore
// (VKF_CONFIRMED), damaged entries announced with code 13, and the path of
// the last results report.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/ui/ui.h"
#include "tests/lib/engine/engine_support.h"
#include "vaultkeeplib.h"

namespace vk::enginetest {
namespace {

using vk::test::N;
using vk::test::ReadFile;
using vk::test::U;
using vk::test::WriteFile;

constexpr char kCurrent[] = "[Talvern Backup Utility]\r\nName=p\r\nBackupVersion=8.0\r\n";

std::string Versioned(const char *version) {
    return std::string("[TalvernFileInfo]\r\nTalvernFileVersion=") + version + "\r\n";
}

class RestorePreviewTest : public EngineTest {
protected:
    BackupJob *Open(const std::vector<std::pair<std::string, std::string>> &entries, uint32_t flags = 0,
                    const char *why = kCurrent) {
        const std::string archive = Dir("backup") + "p.vkb";
        std::vector<std::pair<std::string, std::string>> all = {{"Backup.why", why}};
        all.insert(all.end(), entries.begin(), entries.end());
        EXPECT_TRUE(MakeZip(archive, all));
        return VKRestoreInit(nullptr, flags, 0, U(archive).c_str(), nullptr, &Progress, &cancel);
    }
    VKFileView View(BackupJob *job, const std::string &installed) {
        VKFileView view{};
        EXPECT_EQ(VKRestoreFileView(job, VK_ITEM_FILE, U(Dir("config") + installed).c_str(), &view), 1);
        return view;
    }
    static size_t BoxCount() {
        size_t n = 0;
        for (const auto &s : vk::ui::ShownLog()) n += s.what == vk::ui::Shown::What::Box ? 1 : 0;
        return n;
    }
};

TEST_F(RestorePreviewTest, TheViewFollowsTheVersionPolicyAndTouchesNothing) {
    WriteFile(Dir("config") + "vaultkeep.ini",
              "[NonVersionedFileRestore]\r\nkeep.ini=DoNotOverwrite\r\nask.ini=Ask\r\n");
    BackupJob *job = Open({{"4001/new.ini", "[N]\r\n"},
                           {"4001/same.ini", "[S]\r\nx=1\r\n"},
                           {"4001/later.ini", "[L]\r\nx=archived\r\n"},
                           {"4001/older.ini", Versioned("2.0")},
                           {"4001/newer.ini", Versioned("2.0")},
                           {"4001/unversioned.ini", Versioned("1.5")},
                           {"4001/keep.ini", "[K]\r\n"},
                           {"4001/ask.ini", "[A]\r\n"}});
    ASSERT_NE(job, nullptr);
    WriteFile(Dir("config") + "same.ini", "[S]\r\nx=1\r\n");
    WriteFile(Dir("config") + "later.ini", "[L]\r\nx=installed\r\n");
    std::filesystem::last_write_time(Dir("config") + "later.ini",
                                     std::filesystem::file_time_type::clock::now() + std::chrono::hours(2));
    WriteFile(Dir("config") + "older.ini", Versioned("1.9"));
    WriteFile(Dir("config") + "newer.ini", Versioned("2.1"));
    WriteFile(Dir("config") + "unversioned.ini", "[U]\r\n");
    WriteFile(Dir("config") + "keep.ini", "[K]\r\nold=1\r\n");
    WriteFile(Dir("config") + "ask.ini", "[A]\r\nold=1\r\n");
    const auto before = Snapshot(Dir("config"));

    const struct {
        const char *file;
        int state;
        int action;
        int status;
    } cases[] = {
        {"new.ini", VK_VIEW_MISSING, VK_ACTION_COPY, StatusOk},
        {"same.ini", VK_VIEW_EQUAL, VK_ACTION_COPY, StatusOk},
        {"later.ini", VK_VIEW_NEWER, VK_ACTION_COPY, StatusOk}, // no policy: the restore overwrites
        {"older.ini", VK_VIEW_OLDER, VK_ACTION_COPY, StatusOk},
        {"newer.ini", VK_VIEW_NEWER, VK_ACTION_KEEP, StatusDestinationNewer},
        {"unversioned.ini", VK_VIEW_OLDER, VK_ACTION_COPY, StatusOk}, // a version beats none
        {"keep.ini", VK_VIEW_NEWER, VK_ACTION_KEEP, StatusDestinationNewer}, // written after unpacking
        {"ask.ini", VK_VIEW_NEWER, VK_ACTION_ASK, StatusOk},
        {"absent.ini", VK_VIEW_NOT_IN_ARCHIVE, VK_ACTION_SKIP, StatusNoSourceFile},
        {"WProperties.ini", VK_VIEW_MISSING, VK_ACTION_SKIP, StatusSkipOne},
    };
    for (const auto &c : cases) {
        const VKFileView view = View(job, c.file);
        EXPECT_EQ(view.state, c.state) << c.file;
        EXPECT_EQ(view.action, c.action) << c.file;
        EXPECT_EQ(view.status, c.status) << c.file;
        EXPECT_EQ(N(view.destination), Dir("config") + c.file) << c.file;
    }
    EXPECT_EQ(View(job, "newer.ini").archivedVersion, 0x0002000000000000ull);
    EXPECT_EQ(View(job, "newer.ini").installedVersion, 0x0002000100000000ull);
    // Nothing was asked, written or recorded.
    EXPECT_EQ(BoxCount(), 0u);
    EXPECT_EQ(Snapshot(Dir("config")), before);
    VKFileView none{};
    EXPECT_EQ(VKRestoreFileView(nullptr, VK_ITEM_FILE, u"x.ini", &none), 0);
    EXPECT_EQ(VKRestoreFileView(job, VK_ITEM_SERVICE, u"x", &none), 0);
    EXPECT_EQ(VKRestoreClose(job), 1);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(N(VKLastResultsReport()), "");
}

TEST_F(RestorePreviewTest, AnyVersionBringsAnOlderFileBack) {
    WriteFile(Dir("config") + "newer.ini", Versioned("2.1"));
    BackupJob *job = Open({{"4001/newer.ini", Versioned("2.0")}}, VKF_ANY_VERSION | VKF_REPORT);
    ASSERT_NE(job, nullptr);
    const VKFileView view = View(job, "newer.ini");
    EXPECT_EQ(view.state, VK_VIEW_NEWER);
    EXPECT_EQ(view.action, VK_ACTION_COPY);
    EXPECT_EQ(VKRestore(job, VK_ITEM_FILE, 0, 0, nullptr, nullptr, U(Dir("config") + "newer.ini").c_str()), StatusOk);
    EXPECT_EQ(ReadFile(Dir("config") + "newer.ini"), Versioned("2.0"));
    EXPECT_EQ(VKRestoreClose(job), 1);
    // The report of the last close is named.
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(VKLastResultsReport(), reports[0]);
}

// A caller's stop flag left set after a run (the program sets it when a run
// ends) stops item unpacking, but not what a preview reads.
TEST_F(RestorePreviewTest, AStopFlagLeftSetStopsItemsButNotTheView) {
    BackupJob *job = Open({{"4001/older.ini", Versioned("2.0")}});
    ASSERT_NE(job, nullptr);
    WriteFile(Dir("config") + "older.ini", Versioned("1.9"));
    cancel = 1;
    const VKFileView view = View(job, "older.ini");
    EXPECT_EQ(view.state, VK_VIEW_OLDER);
    EXPECT_EQ(view.archivedVersion, 0x0002000000000000ull);
    EXPECT_NE(VKRestore(job, VK_ITEM_FILE, 0, 0, nullptr, nullptr, U(Dir("config") + "older.ini").c_str()), StatusOk);
    EXPECT_EQ(ReadFile(Dir("config") + "older.ini"), Versioned("1.9"));
    cancel = 0;
    EXPECT_EQ(VKRestoreClose(job), 1);
}

TEST_F(RestorePreviewTest, AConfirmedRestoreOfAVersion7ArchiveIsNotAskedAgain) {
    const char *v7 = "[Talvern Backup Utility]\r\nName=v7\r\nBackupVersion=7.0\r\n";
    BackupJob *job = Open({{"4001/units.ini", "[U]\r\n"}}, VKF_CONFIRMED, v7);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(VKRestore(job, VK_ITEM_FILE, 0, 0, nullptr, nullptr, U(Dir("config") + "units.ini").c_str()), StatusOk);
    EXPECT_EQ(BoxCount(), 0u);
    EXPECT_EQ(VKRestoreClose(job), 1);
}

TEST_F(RestorePreviewTest, ADamagedEntryIsAnnouncedWithoutABoxWhenQuiet) {
    const std::string archive = Dir("backup") + "damaged.vkb";
    const std::string body(4000, 'u');
    ASSERT_TRUE(MakeZip(archive, {{"Backup.why", kCurrent}, {"4001/units.ini", body}, {"4001/b.ini", "[B]\r\n"}}));
    std::string bytes = ReadFile(archive);
    const size_t header = bytes.find("4001/units.ini") - 30;
    const size_t name = static_cast<unsigned char>(bytes[header + 26]);
    const size_t extra = static_cast<unsigned char>(bytes[header + 28]);
    const size_t size = static_cast<unsigned char>(bytes[header + 18]) | static_cast<unsigned char>(bytes[header + 19]) << 8;
    bytes[header + 30 + name + extra + size / 2] ^= 0x5A;
    WriteFile(archive, bytes);
    BackupJob *job = VKRestoreInit(nullptr, VKF_QUIET, 0, U(archive).c_str(), nullptr, &Progress, &cancel);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(Log().Texts(13), std::vector<std::string>{"4001/units.ini"});
    EXPECT_EQ(BoxCount(), 0u);
    EXPECT_EQ(View(job, "b.ini").state, VK_VIEW_MISSING);
    EXPECT_EQ(View(job, "units.ini").state, VK_VIEW_NOT_IN_ARCHIVE);
    EXPECT_EQ(VKRestoreClose(job), 1);

    // Without VKF_QUIET the library's box comes as well.
    job = VKRestoreInit(nullptr, 0, 0, U(archive).c_str(), nullptr, &Progress, &cancel);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(BoxCount(), 1u);
    EXPECT_EQ(VKRestoreClose(job), 1);
}

} // namespace
} // namespace vk::enginetest
