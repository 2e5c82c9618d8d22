// Archives travel between the Linux and the Windows build: each build writes
// an archive of the demo installation, the other one restores it into a fresh
// copy. tests/e2e/windows/archive_exchange.sh runs both halves on both builds;
// on their own (no VAULTKEEP_EXCHANGE_DIR / VAULTKEEP_EXCHANGE_ARCHIVE) they are skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/ini/ini.h"
#include "platform/ui/ui.h"
#include "tests/lib/engine/engine_support.h"
#include "vaultkeeplib.h"

namespace vk::enginetest {
namespace {

using vk::test::N;
using vk::test::ReadFile;
using vk::test::U;

class ArchiveExchange : public EngineTest {};

// Files of every home folder, a nested data file and a non-ASCII name.
const std::vector<std::string> &ExchangedFiles() {
    static const std::vector<std::string> files = {
        "config/units.ini",  "config/hotkeys.ini", "config/site.tcf", "config/calib.bin",
        "format/openhole.prs", "format/las20.fmt", "sim/openhole.sim", "script/ohcombo.wsc",
        "data/Wells/North-7/Run1/pass1.db", "data/Jobs/job0412.db", "config/Grüße.ini"};
    return files;
}

std::string Env(const char *name) {
    const char *v = std::getenv(name);
    return v ? v : "";
}

TEST_F(ArchiveExchange, WriteForTheOtherSystem) {
    const std::string dir = Env("VAULTKEEP_EXCHANGE_DIR");
    if (dir.empty()) GTEST_SKIP() << "run by tests/e2e/windows/archive_exchange.sh";
    const std::string src = MakeDemo("src");
    vk::test::WriteFile(src + "config/Grüße.ini", "[Grüße]\r\nGruß=1\r\n");
    UseInstallation(src);
    const std::string archive = dir + "/from-" + Env("VAULTKEEP_EXCHANGE_SYSTEM") + ".conf.vkb";
    BackupJob *job = VKBackupInit(nullptr, 0, 0, U(archive).c_str(), u".conf.vkb", &Progress, &cancel, nullptr);
    ASSERT_NE(job, nullptr);
    for (const std::string &f : ExchangedFiles())
        EXPECT_EQ(VKBackup(job, 1002, 0, 0, nullptr, nullptr, U(src + f).c_str()), StatusOk) << f;
    // An ini item names the file its section comes from.
    EXPECT_EQ(VKBackup(job, VK_ITEM_PREFERENCES, 0, 0, u"Preferences", nullptr, U(src + "config/WProperties.ini").c_str()),
              StatusOk);
    ASSERT_EQ(VKBackupClose(job), 1);
}

TEST_F(ArchiveExchange, RestoreFromTheOtherSystem) {
    const std::string archive = Env("VAULTKEEP_EXCHANGE_ARCHIVE");
    if (archive.empty()) GTEST_SKIP() << "run by tests/e2e/windows/archive_exchange.sh";
    const std::string demo = MakeDemo("demo"); // what the other system backed up
    vk::test::WriteFile(demo + "config/Grüße.ini", "[Grüße]\r\nGruß=1\r\n");
    const std::string dst = MakeDemo("dst");
    UseInstallation(dst);
    for (const std::string &f : ExchangedFiles()) std::filesystem::remove(vk::test::FsPath(dst + f));
    BackupJob *job = VKRestoreInit(nullptr, 0, 0, U(archive).c_str(), u".conf.vkb", &Progress, &cancel);
    ASSERT_NE(job, nullptr);
    ASSERT_TRUE(vk::ui::QueueAnswers(u"box(Talvern 7):Yes"));
    for (const std::string &f : ExchangedFiles()) {
        EXPECT_EQ(VKRestore(job, 1002, 0, 0, nullptr, nullptr, U(dst + f).c_str()), StatusOk) << f;
        EXPECT_EQ(ReadFile(dst + f), ReadFile(demo + f)) << f;
    }
    EXPECT_EQ(VKRestoreClose(job), 1);
    EXPECT_EQ(WorkFolderCount(dst + "temp/"), 0);
}

} // namespace
} // namespace vk::enginetest
