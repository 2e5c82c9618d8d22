// Tool and service items in jobs that are not quiet, with the library's own
// dialogs answered from the scripted answer queue of the headless backend.
#include <gtest/gtest.h>

#include <filesystem>

#include "lib/engine/metadata.h"
#include "lib/tools/service_item.h"
#include "lib/tools/tool_db.h"
#include "lib/tools/tool_item.h"
#include "platform/ini/ini.h"
#include "platform/ui/ui.h"
#include "tests/lib/tools/tools_fixture.h"

namespace vk::toolstest {
namespace {

using namespace vk::tools;
using vk::test::N;
using vk::test::U;

int CountShown(int32_t dialogId) {
    int n = 0;
    for (const vk::ui::Shown &s : vk::ui::ShownLog())
        if (s.what == vk::ui::Shown::What::Dialog && s.dialogId == dialogId) ++n;
    return n;
}

class InteractiveTest : public ToolsTest {
protected:
    void SetUp() override {
        ToolsTest::SetUp();
        src = MakeDemo("src");
        dst = MakeDemo("dst");
        Use(src);
        archive = tmp.file("svc.conf.vkb");
        BackupJob *job =
            VKBackupInit(nullptr, VKF_QUIET, 0, U(archive).c_str(), u".conf.vkb", nullptr, nullptr, nullptr);
        ASSERT_NE(job, nullptr);
        EXPECT_EQ(VKBackup(job, VK_ITEM_SERVICE, 0, 0, u"Open Hole Combo", nullptr,
                           U(src + "config/services.ini").c_str()),
                  StatusOk);
        ASSERT_NE(VKBackupClose(job), 0);
        // The archive's tools differ from the installed ones.
        Use(dst);
        vk::ui::ClearShownLog();
    }

    // Restores the service into the second installation, not quietly, with
    // the answers given (the version-7 question is answered first).
    BackupJob *Restore(const char *answers, int32_t *cancel = nullptr) {
        EXPECT_TRUE(vk::ui::QueueAnswers(U(std::string("box(Talvern 7):Yes;") + answers)));
        BackupJob *job = VKRestoreInit(nullptr, 0, 0, U(archive).c_str(), u".conf.vkb", nullptr, cancel);
        EXPECT_NE(job, nullptr);
        if (job) {
            result = VKRestore(job, VK_ITEM_SERVICE, 0, 0, u"Open Hole Combo", nullptr,
                               U(dst + "config/services.ini").c_str());
        }
        return job;
    }
    std::string Record(BackupJob *job, const char *section, const char *key) {
        return Value(job->metadataPath, section, key);
    }

    std::string src, dst, archive;
    int result = -1;
};

TEST_F(InteractiveTest, OverwriteAllAsksOnce) {
    // Existing serial numbers come back under their own numbers (OK in
    // "Import serial number", its default button).
    BackupJob *job = Restore("dialog 111:1; dialog 109:103");
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(result, StatusOk);
    EXPECT_EQ(CountShown(111), 1);
    EXPECT_EQ(CountShown(109), 1);
    EXPECT_EQ(job->toolAnswer, kAnswerOverwriteAll);
    EXPECT_EQ(Record(job, "ServiceRestore", "Open Hole Combo"), "0");
    EXPECT_EQ(Record(job, "ToolRestore", "CTS-CTS0401"), "0");
    VKRestoreClose(job);
    vk::ini::Flush(nullptr);
    const std::u16string tools = U(dst + "config/tools.ini");
    EXPECT_EQ(Value(tools, "CTS", "1"), "CTS0401");
    EXPECT_EQ(Value(tools, "CTS", "2"), ""); // rewritten in place, not added twice
}

TEST_F(InteractiveTest, DontOverwriteAnySkipsEveryExistingEntry) {
    // Mark the installed CTS instance so that an overwrite would show.
    vk::ini::WriteString(u"CTS-CTS0401", u"Assembled", u"kept", U(dst + "config/tools.ini").c_str());
    BackupJob *job = Restore("dialog 111:1; dialog 109:104");
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(result, StatusOk); // the tools' own results do not change the service's
    EXPECT_EQ(CountShown(109), 1);
    EXPECT_EQ(CountShown(114), 0);
    EXPECT_EQ(Record(job, "ToolRestore", "CTS-CTS0401"), "4");
    VKRestoreClose(job);
    vk::ini::Flush(nullptr);
    EXPECT_EQ(Value(U(dst + "config/tools.ini"), "CTS-CTS0401", "Assembled"), "kept");
}

TEST_F(InteractiveTest, CancelledSelectionStillCopiesTheService) {
    vk::test::WriteFile(dst + "config/services.ini", "[Service]\r\n1=Calibration\r\n");
    BackupJob *job = Restore("dialog 111:2");
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(result, StatusFailed);
    EXPECT_EQ(CountShown(109), 0);
    EXPECT_EQ(Record(job, "ServiceRestore", "Open Hole Combo"), "1");
    EXPECT_EQ(Record(job, "ToolRestore", "CTS-CTS0401"), "");
    VKRestoreClose(job);
    vk::ini::Flush(nullptr);
    EXPECT_EQ(Value(U(dst + "config/services.ini"), "Open Hole Combo", "Tool1"), "CTS;serial=CTS0401");
    EXPECT_EQ(Value(U(dst + "config/services.ini"), "Service", "2"), "Open Hole Combo");
}

TEST_F(InteractiveTest, ImportSerialNumberSkipAndCancel) {
    const std::u16string archiveTools = U(src + "config/tools.ini");
    struct Case {
        const char *answers;
        bool cancelled;
    } cases[] = {{"dialog 109:6; dialog 114:117", false}, {"dialog 109:6; dialog 114:2", true}};
    int run = 0;
    for (const Case &c : cases) {
        const std::string dest = tmp.file("installed" + std::to_string(++run) + ".ini");
        vk::test::WriteFile(dest, "[GR]\r\n1=GR1001\r\n[GR-GR1001]\r\nModel=GR-2\r\nCalFactor=1\r\n");
        int32_t cancel = 0;
        ScratchJob s(tmp, true);
        s.job.cancelFlag = &cancel;
        s.job.toolsPath = archiveTools;
        vk::ui::ClearShownLog();
        ASSERT_TRUE(vk::ui::QueueAnswers(U(c.answers)));
        EXPECT_EQ(RestoreToolItem(s.job, kToolFlagsSerial, u"GR", u"GR1001", U(dest).c_str()), StatusOk) << run;
        EXPECT_EQ(CountShown(114), 1) << run;
        EXPECT_EQ(Value(U(dest), "GR-GR1001", "CalFactor"), "1") << run;   // the serial was not copied
        EXPECT_EQ(Value(U(dest), "GR-Models", "1"), "GR-2") << run;        // the model was
        EXPECT_EQ(cancel, c.cancelled ? 1 : 0) << run;
        EXPECT_EQ(vk::ui::PendingAnswers(), 0u);
    }
}

} // namespace
} // namespace vk::toolstest
