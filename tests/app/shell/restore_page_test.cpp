// The Restore page on the headless backend, over the demo installation: an
// archive's summary and grouped tree with the version policy's default
// checks, the restore of a checked subset with its undo archive, Stop in the
// middle, damaged and foreign files, and the remembered RestoreFrom folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <vector>

#include "app/resources/app_dialogs.h"
#include "app/restore/restore_items.h"
#include "app/shell/app_state.h"
#include "app/shell/restore_page.h"
#include "app/shell/settings.h"
#include "app/tree/tree_items.h"
#include "platform/ini/ini.h"
#include "platform/ui/treeview.h"
#include "tests/app/shell/shell_fixture.h"
#include "tests/support/test_support.h"

using namespace vk::app;
using namespace vk::test;
namespace ui = vk::ui;
namespace fsys = std::filesystem;

namespace {

// Installed files a test changes, given back (with the backup folder's new
// files removed) when it ends: the demo is shared by every test.
class DemoGuard {
public:
    explicit DemoGuard(std::vector<std::string> files) : files_(std::move(files)) {
        for (const std::string &f : files_) saved_.push_back(ReadFile(DemoRoot() + f));
        for (const auto &e : fsys::directory_iterator(DemoRoot() + "backup")) before_.push_back(e.path());
    }
    ~DemoGuard() {
        for (size_t i = 0; i < files_.size(); ++i) WriteFile(DemoRoot() + files_[i], saved_[i]);
        vk::ini::Forget(nullptr);
        for (const auto &e : fsys::directory_iterator(DemoRoot() + "backup"))
            if (std::find(before_.begin(), before_.end(), e.path()) == before_.end()) fsys::remove_all(e.path());
    }
    DemoGuard(const DemoGuard &) = delete;
    DemoGuard &operator=(const DemoGuard &) = delete;

private:
    std::vector<std::string> files_;
    std::vector<std::string> saved_;
    std::vector<fsys::path> before_;
};

// An archive of the given installed files, made with the library's backup job.
void MakeArchive(const std::string &archive, const std::vector<std::string> &files) {
    BackupJob *job = VKBackupInit(nullptr, VKF_OVERWRITE, 0, U(archive).c_str(), u".conf.vkb", nullptr, nullptr,
                                  u"-Comment 'page test'");
    ASSERT_NE(job, nullptr);
    for (const std::string &f : files)
        EXPECT_EQ(VKBackup(job, VK_ITEM_FILE, 0, 0, nullptr, nullptr, U(DemoRoot() + f).c_str()), StatusOk) << f;
    ASSERT_NE(VKBackupClose(job), 0);
}

class RestorePageTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_EQ(Start(""), StartUpResult::Ready);
        ui::TabClick(State().tab, 1);
    }
    VKHWND Page() const { return State().restorePage; }
    VKHWND Tree() const { return ui::GetDlgItem(Page(), kRestoreTree); }
    std::string Summary() const { return N(ui::GetDlgItemText(Page(), kRestoreSummary)); }
    std::string Status() const { return N(ui::GetDlgItemText(State().hostDialog, kStatusLine)); }

    // Every item of the tree, depth first.
    std::vector<VKTreeItem *> Items() const {
        std::vector<VKTreeItem *> all;
        Walk(ui::TreeGetNext(Tree(), nullptr, ui::TreeNext::Root), all);
        return all;
    }
    void Walk(VKTreeItem *item, std::vector<VKTreeItem *> &all) const {
        for (; item; item = ui::TreeGetNext(Tree(), item, ui::TreeNext::Next)) {
            all.push_back(item);
            Walk(ui::TreeGetNext(Tree(), item, ui::TreeNext::Child), all);
        }
    }
    VKTreeItem *Find(const std::string &textStart) const {
        for (VKTreeItem *item : Items())
            if (N(item->text).rfind(textStart, 0) == 0) return item;
        return nullptr;
    }
    std::vector<std::string> Roots() const {
        std::vector<std::string> roots;
        for (VKTreeItem *i = ui::TreeGetNext(Tree(), nullptr, ui::TreeNext::Root); i;
             i = ui::TreeGetNext(Tree(), i, ui::TreeNext::Next))
            roots.push_back(N(i->text));
        return roots;
    }
    // Only `texts` checked.
    void CheckOnly(const std::vector<std::string> &texts) {
        ASSERT_TRUE(ui::ClickButton(Page(), kRestoreClear));
        for (const std::string &t : texts) {
            VKTreeItem *item = Find(t);
            ASSERT_NE(item, nullptr) << t;
            SetCheck(Tree(), item, kChecked);
        }
    }
};

TEST_F(RestorePageTest, AnArchiveShowsItsSummaryGroupsAndTheVersionPolicysView) {
    DemoGuard guard({"format/openhole.prs", "format/perf.prs"});
    TempFolder tmp;
    const std::string archive = tmp.file("subset.conf.vkb");
    MakeArchive(archive, {"config/units.ini", "format/openhole.prs", "format/perf.prs", "config/hotkeys.ini",
                          "config/WProperties.ini"});
    // The installed perf.prs (no version) becomes newer than the archived
    // copy; openhole.prs loses its version, so the archived one replaces it.
    WriteFile(DemoRoot() + "format/perf.prs", "changed later\n");
    fsys::last_write_time(DemoRoot() + "format/perf.prs", fsys::file_time_type::clock::now() + std::chrono::hours(1));
    WriteFile(DemoRoot() + "format/openhole.prs", "no version any more\n");

    EXPECT_TRUE(ui::IsVisible(Page()));
    EXPECT_EQ(State().currentPage, Page());
    ASSERT_TRUE(ChooseRestoreArchive(Page(), U(archive)));
    const std::string summary = Summary();
    EXPECT_NE(summary.find("Archive: " + archive), std::string::npos) << summary;
    EXPECT_NE(summary.find("Written by: version 7.0 (Vaultkeep)"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Comment: page test"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Entries: "), std::string::npos) << summary;

    EXPECT_EQ(Roots(), (std::vector<std::string>{"Files", "Settings"}));
    VKTreeItem *units = Find("units.ini");
    ASSERT_NE(units, nullptr);
    EXPECT_EQ(N(units->text), "units.ini (installed: equal)");
    EXPECT_EQ(units->state, kChecked);
    EXPECT_EQ(N(ui::TreeGetNext(Tree(), units, ui::TreeNext::Parent)->text), "Config");
    VKTreeItem *newer = Find("perf.prs");
    ASSERT_NE(newer, nullptr);
    EXPECT_EQ(N(newer->text), "perf.prs (installed: newer)");
    EXPECT_EQ(newer->state, kUnchecked);
    EXPECT_EQ(N(ui::TreeGetNext(Tree(), newer, ui::TreeNext::Parent)->text), "Format");
    VKTreeItem *unversioned = Find("openhole.prs");
    ASSERT_NE(unversioned, nullptr);
    EXPECT_EQ(N(unversioned->text), "openhole.prs (installed: older)");
    EXPECT_EQ(unversioned->state, kChecked);
    // The demo keeps hotkeys.ini whatever the archive holds.
    VKTreeItem *kept = Find("hotkeys.ini");
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(N(kept->text), "hotkeys.ini (installed: equal, kept)");
    EXPECT_EQ(kept->state, kUnchecked);
    EXPECT_EQ(Find("Files")->state, kPartlyChecked);
    EXPECT_EQ(Find("Settings")->state, kChecked);
    EXPECT_NE(Find("Acquisition / SampleRate"), nullptr) << [&] {
        std::string all;
        for (VKTreeItem *item : Items()) all += N(item->text) + "\n";
        return all;
    }();

    // Select all and Clear reach every item.
    ui::ClickButton(Page(), kRestoreSelectAll);
    for (VKTreeItem *item : Items()) EXPECT_EQ(item->state, kChecked) << N(item->text);
    ui::ClickButton(Page(), kRestoreClear);
    for (VKTreeItem *item : Items()) EXPECT_EQ(item->state, kUnchecked) << N(item->text);
    EXPECT_TRUE(CheckedRestoreItems(Page()).empty());
}

TEST_F(RestorePageTest, ACheckedSubsetIsRestoredAndItsUndoGivesTheInstallationBack) {
    DemoGuard guard({"config/units.ini", "format/calib.prs"});
    TempFolder tmp;
    const std::string archive = tmp.file("two.conf.vkb");
    MakeArchive(archive, {"config/units.ini", "format/calib.prs"});
    const std::string original = ReadFile(DemoRoot() + "config/units.ini");
    WriteFile(DemoRoot() + "config/units.ini", original + "Changed=1\n");
    WriteFile(DemoRoot() + "format/calib.prs", "changed calibration\n");
    const std::string changedUnits = ReadFile(DemoRoot() + "config/units.ini");

    ASSERT_TRUE(ChooseRestoreArchive(Page(), U(archive)));
    CheckOnly({"units.ini"});
    ASSERT_TRUE(ui::ClickButton(State().mainDialog, kBeginButton));
    EXPECT_EQ(ReadFile(DemoRoot() + "config/units.ini"), original);
    EXPECT_EQ(ReadFile(DemoRoot() + "format/calib.prs"), "changed calibration\n"); // not checked
    const RestoreOutcome &done = RestorePage().last;
    EXPECT_EQ(done.restored, 1);
    EXPECT_EQ(done.failed, 0);
    ASSERT_FALSE(done.undoArchive.empty());
    const std::string undo = N(done.undoArchive);
    EXPECT_EQ(undo.rfind(DemoRoot() + "backup/pre-restore-", 0), 0u) << undo;
    EXPECT_TRUE(FileExists(undo));
    EXPECT_NE(Status().find("Restore completed: 1 restored, 0 skipped, 0 failed; undo archive " + undo),
              std::string::npos)
        << Status();
    EXPECT_NE(Status().find("; report "), std::string::npos) << Status();
    EXPECT_NE(ReadFile(N(done.report)).find(undo.substr(undo.rfind('/') + 1)), std::string::npos)
        << "the report names the undo archive";
    EXPECT_TRUE(ui::IsEnabled(State().beginButton));

    // The undo archive holds only what was replaced; restoring it gives the
    // changed file back byte for byte.
    ASSERT_TRUE(ChooseRestoreArchive(Page(), U(undo)));
    EXPECT_NE(Find("units.ini"), nullptr);
    EXPECT_EQ(Find("calib.prs"), nullptr);
    ui::ClickButton(Page(), kRestoreSelectAll);
    ui::ClickButton(State().mainDialog, kBeginButton);
    EXPECT_EQ(ReadFile(DemoRoot() + "config/units.ini"), changedUnits);
    EXPECT_EQ(RestorePage().last.restored, 1);
}

// Stops the run after the third item, as the Stop button would.
void StopAfterThree(size_t done, size_t, std::u16string_view) {
    if (done == 3) State().stopFlag = 1;
}

TEST_F(RestorePageTest, StopInTheMiddleLeavesEveryFileWhollyOldOrNew) {
    const std::vector<std::string> files = {"format/calib.prs", "format/cased.prs", "format/crossplot.xpt",
                                            "format/openhole.prs", "format/perf.prs", "format/log.plt"};
    DemoGuard guard(files);
    TempFolder tmp;
    const std::string archive = tmp.file("six.conf.vkb");
    MakeArchive(archive, files);
    std::vector<std::string> archived;
    for (const std::string &f : files) {
        archived.push_back(ReadFile(DemoRoot() + f));
        WriteFile(DemoRoot() + f, "installed later: " + f + "\n");
    }
    ASSERT_TRUE(ChooseRestoreArchive(Page(), U(archive)));
    ui::ClickButton(Page(), kRestoreSelectAll);
    const std::vector<size_t> chosen = CheckedRestoreItems(Page());
    ASSERT_EQ(chosen.size(), files.size());
    State().stopFlag = 0;
    const RestoreOutcome outcome =
        RestoreChosenItems(RestorePage().contents, chosen, DirBackupFolder(), Page(), &State().stopFlag, &StopAfterThree);
    State().stopFlag = 1;
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.restored, 3);
    EXPECT_EQ(outcome.skipped, 3);
    EXPECT_FALSE(outcome.undoArchive.empty());
    EXPECT_EQ(N(OutcomeText(outcome)).rfind("Restore stopped: 3 restored, 3 skipped, 0 failed", 0), 0u);
    int restored = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string now = ReadFile(DemoRoot() + files[i]);
        const bool isNew = now == archived[i];
        EXPECT_TRUE(isNew || now == "installed later: " + files[i] + "\n") << files[i] << ": " << now;
        restored += isNew ? 1 : 0;
    }
    EXPECT_EQ(restored, 3);
    EXPECT_EQ(RestorePage().contents.job, nullptr);
}

TEST_F(RestorePageTest, ADamagedOrForeignFileSaysSoInWords) {
    TempFolder tmp;
    // Not an archive at all.
    const std::string foreign = tmp.file("letter.conf.vkb");
    WriteFile(foreign, "Dear colleague, this is no archive.\n");
    EXPECT_FALSE(ChooseRestoreArchive(Page(), U(foreign)));
    EXPECT_NE(Summary().find("This is not an archive of this system"), std::string::npos) << Summary();
    EXPECT_EQ(ui::TreeGetCount(Tree()), 0u);
    EXPECT_EQ(RestorePage().contents.job, nullptr);

    // A missing file: the system's words.
    EXPECT_FALSE(ChooseRestoreArchive(Page(), U(tmp.file("gone.conf.vkb"))));
    EXPECT_NE(Summary().find("The system cannot find the file specified."), std::string::npos) << Summary();

    // One flipped byte in the data of an entry: the rest is listed, the
    // damage named.
    const std::string archive = tmp.file("flipped.conf.vkb");
    MakeArchive(archive, {"config/units.ini", "format/calib.prs"});
    std::string bytes = ReadFile(archive);
    const std::string name = "4001/units.ini";
    const size_t header = bytes.find(name) - 30;
    const size_t extra = static_cast<unsigned char>(bytes[header + 28]) | static_cast<unsigned char>(bytes[header + 29]) << 8;
    const size_t size = static_cast<unsigned char>(bytes[header + 18]) | static_cast<unsigned char>(bytes[header + 19]) << 8;
    bytes[header + 30 + name.size() + extra + size / 2] ^= 0x5A;
    WriteFile(archive, bytes);
    ui::QueueAnswers(u"box:Ok");
    ASSERT_TRUE(ChooseRestoreArchive(Page(), U(archive)));
    EXPECT_NE(Summary().find("Damaged: 1 entries could not be unpacked (first: 4001/units.ini)"), std::string::npos)
        << Summary();
    EXPECT_EQ(Find("units.ini"), nullptr);
    EXPECT_NE(Find("calib.prs"), nullptr);
}

TEST_F(RestorePageTest, ATypedArchiveIsShownBeforeAnythingIsRestored) {
    DemoGuard guard({"config/units.ini"});
    TempFolder tmp;
    const std::string archive = tmp.file("typed.conf.vkb");
    MakeArchive(archive, {"config/units.ini"});
    const std::string original = ReadFile(DemoRoot() + "config/units.ini");
    WriteFile(DemoRoot() + "config/units.ini", original + "Changed=1\n");

    ui::EnterText(Page(), kRestoreArchiveEdit, u"");
    ui::ClickButton(State().mainDialog, kBeginButton);
    EXPECT_EQ(Status(), "Choose an archive to restore from first");
    ui::EnterText(Page(), kRestoreArchiveEdit, U(archive));
    ui::ClickButton(State().mainDialog, kBeginButton);
    EXPECT_EQ(Status(), "Check what to restore, then press Begin again");
    EXPECT_NE(Find("units.ini"), nullptr);
    EXPECT_EQ(ReadFile(DemoRoot() + "config/units.ini"), original + "Changed=1\n");
    ui::ClickButton(Page(), kRestoreClear);
    ui::ClickButton(State().mainDialog, kBeginButton);
    EXPECT_EQ(Status(), "Nothing is checked: nothing to restore");
    SetCheck(Tree(), Find("units.ini"), kChecked);
    ui::ClickButton(State().mainDialog, kBeginButton);
    EXPECT_EQ(ReadFile(DemoRoot() + "config/units.ini"), original);
}

TEST_F(RestorePageTest, F1OpensTheRestorePageTopic) {
    testing::internal::CaptureStderr();
    ui::DeliverInput(ui::GetDlgItem(Page(), kRestoreArchiveEdit), ui::kMsgKeyDown, ui::kKeyF1, 0);
    ui::PumpMessages();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("vaultkeep.html#restore-page"), std::string::npos) << err;
}

TEST_F(RestorePageTest, BrowseOpensInTheRememberedFolderAndRemembersTheNewOne) {
    DemoGuard guard({"config/WProperties.ini"});
    TempFolder tmp;
    const std::string archive = tmp.file("browsed.conf.vkb");
    MakeArchive(archive, {"config/units.ini"});
    ui::QueueAnswers(U("file:" + archive));
    ASSERT_TRUE(ui::ClickButton(Page(), kRestoreBrowseButton));
    EXPECT_EQ(N(ui::GetDlgItemText(Page(), kRestoreArchiveEdit)), archive);
    EXPECT_NE(Find("units.ini"), nullptr);
    EXPECT_EQ(N(ProgramFolders().restoreFrom), tmp.path());
    vk::ini::Flush(nullptr);
    EXPECT_EQ(N(vk::ini::ReadString(u"Backup", u"RestoreFrom", u"", State().hostPropertiesPath)), tmp.path());
    // A cancelled dialog changes nothing.
    ui::QueueAnswers(u"file:");
    ui::ClickButton(Page(), kRestoreBrowseButton);
    EXPECT_EQ(N(ui::GetDlgItemText(Page(), kRestoreArchiveEdit)), archive);
}

} // namespace
