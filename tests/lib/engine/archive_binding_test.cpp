// The archive binding: the events of arczip32 turned into progress codes, the
// progress window, refused entries and the work folders.
#include <gtest/gtest.h>

#include <filesystem>

#include "lib/engine/archive_binding.h"
#include "lib/engine/job.h"
#include "lib/engine/work_folder.h"
#include "lib/services/profile.h"
#include "platform/fs/fs.h"
#include "platform/ini/ini.h"
#include "platform/ui/ui.h"
#include "tests/lib/engine/engine_support.h"
#include "vaultkeeplib.h"

namespace vk::enginetest {
namespace {

using vk::engine::ArchiveEvent;
using vk::engine::ProgressBar;
using vk::engine::ProgressWindow;
using vk::test::N;
using vk::test::ReadFile;
using vk::test::U;
using vk::test::WriteFile;

intptr_t Name(const char16_t *name) { return reinterpret_cast<intptr_t>(name); }

class ArchiveBindingTest : public EngineTest {};

TEST_F(ArchiveBindingTest, ProgressWindowOnlyForMoreThanAHundredEntries) {
    struct Case {
        intptr_t total;
        uint32_t flags;
        bool progress;
        bool window;
        int barAfterThree; // bar position after three counted entries
    };
    const Case cases[] = {
        {100, VKF_PROGRESS_WINDOW | VKF_BACKUP, true, false, 0},
        {101, VKF_PROGRESS_WINDOW | VKF_BACKUP, true, true, 2},
        {150, VKF_PROGRESS_WINDOW | VKF_BACKUP, true, true, 2},
        {4, VKF_PROGRESS_WINDOW | VKF_BACKUP, true, false, 0},
        {101, VKF_BACKUP, true, false, 0},
        {101, VKF_PROGRESS_WINDOW | VKF_BACKUP, false, true, 0}, // no callback: the bar stays
    };
    for (const Case &c : cases) {
        BackupJob job;
        job.flags = c.flags;
        job.progress = c.progress ? &Progress : nullptr;
        EXPECT_EQ(ArchiveEvent(0, &job, c.total), 1);
        ASSERT_EQ(ProgressWindow() != nullptr, c.window) << c.total;
        if (c.window) {
            EXPECT_EQ(N(vk::ui::GetWindowText(ProgressWindow())), "Processing...");
            EXPECT_TRUE(vk::ui::IsVisible(ProgressWindow()));
            EXPECT_EQ(vk::ui::ProgressGetPos(ProgressBar()), 0);
        }
        // The metadata file in its exact spelling does not count.
        for (const char16_t *name : {u"4001/a.ini", u"Backup.why", u"backup.why", u"4001/"})
            EXPECT_EQ(ArchiveEvent(name[4] == u'/' && name[5] == 0 ? 2 : 1, &job, Name(name)), 1);
        if (c.window) {
            EXPECT_EQ(vk::ui::ProgressGetPos(ProgressBar()), c.barAfterThree);
            vk::ui::DestroyWindow(ProgressWindow());
        }
    }
    std::vector<std::string> texts;
    for (const ProgressCall &call : Log().calls)
        if (call.code != 1) texts.push_back(std::to_string(call.code) + " " + call.text);
    EXPECT_EQ(texts.size(), 5u * 3u);
    EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 3),
              (std::vector<std::string>{"2 4001/a.ini", "2 backup.why", "3 4001/"}));
    EXPECT_EQ(Log().calls.front().number, 100); // code 1 carries the count
}

TEST_F(ArchiveBindingTest, EventAnswersAndPassedTexts) {
    BackupJob job;
    job.flags = VKF_BACKUP;
    job.progress = &Progress;
    job.cancelFlag = &cancel;
    EXPECT_EQ(ArchiveEvent(3, &job, Name(u"42%")), 1);
    EXPECT_EQ(ArchiveEvent(5, &job, Name(u"Zipped 3 entries")), 1);
    cancel = 1;
    for (int event : {0, 1, 2, 3, 5}) EXPECT_EQ(ArchiveEvent(event, &job, event == 0 ? 3 : Name(u"x")), 0) << event;
    // A refused entry is shown and the work goes on, whatever the flag.
    EXPECT_EQ(ArchiveEvent(4, &job, Name(u"../evil")), 1);
    ASSERT_EQ(vk::ui::ShownLog().size(), 1u);
    EXPECT_EQ(N(vk::ui::ShownLog()[0].text), "Problem unzipping ../evil to temp folder");
    EXPECT_EQ(N(vk::ui::ShownLog()[0].caption), "Warning");
    EXPECT_EQ(vk::ui::ShownLog()[0].flags & 0xF0, vk::ui::kMbIconWarning);
    // The texts pass also when the answer is to stop.
    EXPECT_EQ(Log().Texts(4), (std::vector<std::string>{"42%", "x"}));
    EXPECT_EQ(Log().Texts(5), (std::vector<std::string>{"Zipped 3 entries", "x"}));
    EXPECT_EQ(ArchiveEvent(1, nullptr, Name(u"x")), 1);
}

TEST_F(ArchiveBindingTest, RefusedEntriesNeverLeaveTheWorkFolder) {
    const std::string archive = Dir("backup") + "evil.vkb";
    ASSERT_TRUE(MakeZip(archive, {{"Backup.why", "[Talvern Backup Utility]\r\nName=e\r\n"},
                                  {"../escaped.ini", "x"},
                                  {"4001/../../outside.ini", "x"},
                                  {"/tmp/absolute-vk-engine-test.ini", "x"},
                                  {"4001/link", "->/etc/passwd"},
                                  {"4001/good.ini", "[G]\r\n"}}));
    // Everything but the temporary folder, where the work folder lies.
    auto outsideTemp = [&] {
        auto all = Snapshot(tmp.path());
        std::erase_if(all, [](const auto &entry) { return entry.first.rfind("inst/temp", 0) == 0; });
        return all;
    };
    const auto before = outsideTemp();
    BackupJob *job = VKRestoreInit(nullptr, 0, 0, U(archive).c_str(), nullptr, &Progress, nullptr);
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(job->flags & VKF_PLAIN_SOURCE, 0u);
    const std::string work = N(job->workFolder);
    // Only "Backup.why" is unpacked at the start; the files come with their items.
    EXPECT_EQ(Snapshot(work).size(), 1u);
    EXPECT_EQ(outsideTemp(), before);
    EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, u"good.ini"), StatusOk);
    EXPECT_EQ(ReadFile(Dir("config") + "good.ini"), "[G]\r\n");
    EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, u"link"), StatusNoSourceFile);
    EXPECT_FALSE(std::filesystem::exists(Dir("config") + "link"));
    std::filesystem::remove(Dir("config") + "good.ini");
    EXPECT_FALSE(std::filesystem::exists("/tmp/absolute-vk-engine-test.ini"));
    int refused = 0;
    for (const auto &s : vk::ui::ShownLog())
        if (N(s.text).rfind("Problem unzipping ", 0) == 0) ++refused;
    EXPECT_EQ(refused, 4);
    EXPECT_EQ(VKRestoreClose(job), 1);
}

TEST_F(ArchiveBindingTest, PendingMetadataIsZipped) {
    const std::string archive = Dir("backup") + "p.vkb";
    BackupJob *job = VKBackupInit(nullptr, 0, 0, U(archive).c_str(), nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    // Written through the ini cache just before the close.
    vk::lib::ProfileWriteString(u"Extra", u"late", u"yes", job->metadataPath.c_str());
    EXPECT_EQ(VKBackupClose(job), 1);
    const std::string why = ZipEntry(archive, "Backup.why");
    EXPECT_NE(why.find("late=yes"), std::string::npos) << why;
    EXPECT_NE(why.find("Name=p"), std::string::npos) << why;
}

TEST_F(ArchiveBindingTest, ProgressWindowWhileZippingAManyFileBackup) {
    for (int i = 0; i < 101; ++i) WriteFile(Dir("config") + "f" + std::to_string(i) + ".ini", "[S]\r\n");
    const std::string archive = Dir("backup") + "w.vkb";
    BackupJob *job =
        VKBackupInit(nullptr, VKF_PROGRESS_WINDOW, 0, U(archive).c_str(), nullptr, &Progress, &cancel, nullptr);
    ASSERT_NE(job, nullptr);
    for (int i = 0; i < 101; ++i)
        ASSERT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(Dir("config") + "f" + std::to_string(i) + ".ini").c_str()),
                  StatusOk);
    EXPECT_EQ(VKBackupClose(job), 1);
    EXPECT_EQ(ProgressWindow(), nullptr); // gone after the zipping
    EXPECT_EQ(Log().Texts(2).size(), 101u);
    EXPECT_EQ(ZipEntries(archive).size(), 102u);
}

TEST_F(ArchiveBindingTest, WorkFoldersAreOnlyRemovedWhenTheyAreOwn) {
    const std::u16string own = vk::engine::MakeWorkFolder();
    ASSERT_FALSE(own.empty());
    EXPECT_EQ(N(own).rfind(Dir("temp") + "wtd", 0), 0u);
    vk::fs::FileInfo info;
    ASSERT_TRUE(vk::fs::Stat(own, info));

    // Look-alikes: made by nobody here, elsewhere, or the temporary folder itself.
    std::filesystem::create_directories(Dir("temp") + "wtdforeign");
    std::filesystem::create_directories(Dir("config") + "wtdinside");
    std::filesystem::create_directory_symlink(Dir("config"), Dir("temp") + "wtdlink");
    for (const std::string &path : {std::string(), std::string("/"), Dir("temp"), Dir("temp") + "wtdforeign/",
                                    Dir("config") + "wtdinside/", Dir("temp") + "wtdlink/", Dir("config"),
                                    N(own) + "../", N(own) + "sub/"}) {
        EXPECT_FALSE(vk::engine::RemoveWorkFolder(U(path))) << path;
    }
    EXPECT_TRUE(std::filesystem::exists(Dir("temp") + "wtdforeign"));
    EXPECT_TRUE(std::filesystem::exists(Dir("config") + "wtdinside"));

    // The own folder goes, and the ini cache forgets its pending writes.
    const std::u16string file = own + u"1999/WProperties.ini";
    vk::lib::ProfileWriteString(u"S", u"k", u"v", file.c_str());
    EXPECT_TRUE(vk::engine::RemoveWorkFolder(own));
    EXPECT_TRUE(vk::ini::Flush(nullptr));
    EXPECT_FALSE(vk::fs::Exists(own));
    EXPECT_FALSE(vk::engine::RemoveWorkFolder(own)); // once only

    // A job whose folder names something else leaves it alone at close.
    BackupJob *job = VKBackupInit(nullptr, 0, 0, U(Dir("backup") + "j.vkb").c_str(), nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(job, nullptr);
    const std::u16string real = job->workFolder;
    job->workFolder = U(Dir("config"));
    job->metadataPath = real + u"Backup.why";
    VKBackupClose(job);
    EXPECT_TRUE(std::filesystem::exists(Dir("config") + "wtdinside"));
    EXPECT_TRUE(vk::engine::RemoveWorkFolder(real));
}

} // namespace
} // namespace vk::enginetest
