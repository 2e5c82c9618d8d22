// The tool item: what a serial number or model brings along, the conflict
// answers, the target serial number, containers, section files and the
// acquisition module.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "lib/engine/metadata.h"
#include "lib/tools/acquisition_module.h"
#include "lib/tools/tool_db.h"
#include "lib/tools/tool_item.h"
#include "platform/ui/ui.h"
#include "tests/lib/tools/tools_fixture.h"

namespace vk::toolstest {
namespace {

using namespace vk::tools;
using vk::test::N;
using vk::test::U;

// Scripted answers of the fake dialogs.
struct FakeDialogs {
    std::vector<int> overwriteAnswers; // consumed front first; 6 when empty
    int overwriteAsked = 0;
    std::vector<std::u16string> questions;
    int importAnswer = 1;
    std::u16string importValue; // "" keeps the offered number
    int importAsked = 0;
    bool importHadSerialList = false;
    std::u16string importOffered;
    bool cancelOnImport = false;
    int copyingOpen = 0;
    std::vector<std::u16string> copying;
};
FakeDialogs &Fake() {
    static FakeDialogs fake;
    return fake;
}

int AskOverwrite(VKHWND, const std::u16string &text) {
    FakeDialogs &f = Fake();
    ++f.overwriteAsked;
    f.questions.push_back(text);
    if (f.overwriteAnswers.empty()) return kAnswerYes;
    const int answer = f.overwriteAnswers.front();
    f.overwriteAnswers.erase(f.overwriteAnswers.begin());
    return answer;
}

int ImportSerial(BackupJob &job, const std::u16string &, const std::u16string &, bool hasSerialList,
                 std::u16string &target) {
    FakeDialogs &f = Fake();
    ++f.importAsked;
    f.importHadSerialList = hasSerialList;
    f.importOffered = target;
    if (f.cancelOnImport && job.cancelFlag) *job.cancelFlag = 1;
    if (f.importAnswer == 1 && !f.importValue.empty()) target = f.importValue;
    return f.importAnswer;
}

void OpenCopying(VKHWND, const std::u16string &section) {
    ++Fake().copyingOpen;
    Fake().copying.push_back(section);
}
void CloseCopying() { --Fake().copyingOpen; }

class ToolItemTest : public ToolsTest {
protected:
    void SetUp() override {
        ToolsTest::SetUp();
        Fake() = FakeDialogs{};
        ToolDialogs &d = ToolDialogHooks();
        d.askOverwrite = &AskOverwrite;
        d.importSerial = &ImportSerial;
        d.openCopying = &OpenCopying;
        d.closeCopying = &CloseCopying;
        d.selectTools = nullptr;
        root = MakeDemo("demo");
        Use(root);
        installed = U(root + "config/tools.ini");
    }
    bool Has(const std::u16string &file, const char16_t *section) { return HasAnyKey(section, file); }

    std::string root;
    std::u16string installed;
};

TEST_F(ToolItemTest, BackupOfASerialNumberBringsItsModelCategoryAndFiles) {
    ScratchJob s(tmp, false);
    EXPECT_EQ(BackupToolItem(s.job, kToolFlagsSerial, u"GR", u"GR1001", nullptr), StatusOk);
    const std::u16string out = s.job.toolsPath;
    EXPECT_EQ(N(out), tmp.path() + "scratch.wcf");
    EXPECT_EQ(Value(out, "Tools", "1"), "GR");
    EXPECT_EQ(Value(out, "GR", "Category"), "Gamma");
    EXPECT_EQ(Value(out, "Logging Tools-Categories", "1"), "Gamma");
    EXPECT_EQ(Value(out, "GR", "1"), "GR1001");
    EXPECT_EQ(Value(out, "GR-GR1001", "CalFactor"), "1.043");
    EXPECT_EQ(Value(out, "GR-Models", "1"), "GR-2");
    EXPECT_EQ(Value(out, "GR-GR-2", "Description"), "Gamma ray, 1-11/16 in., scintillation");
    EXPECT_EQ(Value(s.job.metadataPath, "ToolBk", "GR-GR1001"), "0");
    EXPECT_EQ(Value(s.job.metadataPath, "ToolBk", "GR-GR-2"), "0");
    // The model's diagram and calibration report format travel as files.
    EXPECT_TRUE(s.Archived(u"5002/gr2.wtd"));
    EXPECT_TRUE(s.Archived(u"5001/grcal.wcp"));
    EXPECT_EQ(Value(s.job.metadataPath, "FileBk", "5002\\gr2.wtd").substr(0, 3), "14:");
    EXPECT_EQ(Fake().copying, (std::vector<std::u16string>{u"GR-GR1001"}));
    EXPECT_EQ(Fake().copyingOpen, 0);
}

TEST_F(ToolItemTest, TheSameEntryTwiceInOneBackupIsCopiedOnce) {
    ScratchJob s(tmp, false);
    EXPECT_EQ(BackupToolItem(s.job, kToolFlagsSerial, u"GR", u"GR1002", nullptr), StatusOk);
    EXPECT_EQ(BackupToolItem(s.job, kToolFlagsSerial, u"GR", u"GR1002", nullptr), StatusOk);
    EXPECT_EQ(BackupToolItem(s.job, kToolFlagsModel, u"GR", u"GR-3", nullptr), StatusOk);
    EXPECT_EQ(Fake().overwriteAsked, 0);
    EXPECT_EQ(Fake().copying.size(), 1u); // the later requests return before the Copying window
}

TEST_F(ToolItemTest, ASerialWithoutModelCopiesNoEmptyModel) {
    ScratchJob s(tmp, false);
    EXPECT_EQ(BackupToolItem(s.job, kToolFlagsSerial, u"GR", u"GR1010", nullptr), StatusOk);
    const std::u16string out = s.job.toolsPath;
    EXPECT_EQ(Value(out, "GR-GR1010", "CalFactor"), "1.110");
    EXPECT_FALSE(Has(out, u"GR-"));
    EXPECT_FALSE(Has(out, u"GR-Models"));
    EXPECT_EQ(Value(s.job.metadataPath, "ToolBk", "GR-"), "");
}

TEST_F(ToolItemTest, OverwriteAnswersDecideExistingEntries) {
    // The installed file is the restore's destination; the archive file is a
    // copy of it with other calibration values.
    const std::u16string archive = Ini("archive.wcf",
                                       "[GR]\nCategory=Gamma\n1=GR1001\n2=GR1002\n[GR-GR1001]\nModel=GR-2\nCalFactor=9\n"
                                       "[GR-GR1002]\nModel=GR-3\nCalFactor=8\n[NEU]\n1=NEU2201\n[NEU-NEU2201]\n"
                                       "Model=NEU-2\nNearCal=7\n");
    struct Case {
        std::vector<int> answers;
        int first, second, third;
        int asked;
        const char *gr1001, *gr1002;
    } cases[] = {
        {{kAnswerNo, kAnswerYes, kAnswerYes}, StatusSkipOne, StatusOk, StatusOk, 3, "1.043", "8"},
        {{kAnswerDontOverwriteAny}, StatusSkipAll, StatusSkipAll, StatusSkipAll, 1, "1.043", "0.987"},
        {{kAnswerOverwriteAll}, StatusOk, StatusOk, StatusOk, 1, "9", "8"},
        {{kAnswerEscape, kAnswerNo, kAnswerYes}, StatusOk, StatusSkipOne, StatusOk, 3, "9", "0.987"},
    };
    int run = 0;
    for (const Case &c : cases) {
        const std::string dest = tmp.file("installed" + std::to_string(++run) + ".ini");
        std::filesystem::copy_file(root + "config/tools.ini", dest);
        Fake() = FakeDialogs{};
        Fake().overwriteAnswers = c.answers;
        ScratchJob s(tmp, true);
        s.job.toolsPath = archive;
        // Serial numbers only: the model sections stay out of the questions.
        const uint32_t flags = ToolItemSerial;
        EXPECT_EQ(RestoreToolItem(s.job, flags, u"GR", u"GR1001", U(dest).c_str()), c.first) << run;
        EXPECT_EQ(RestoreToolItem(s.job, flags, u"GR", u"GR1002", U(dest).c_str()), c.second) << run;
        EXPECT_EQ(RestoreToolItem(s.job, flags, u"NEU", u"NEU2201", U(dest).c_str()), c.third) << run;
        EXPECT_EQ(Fake().overwriteAsked, c.asked) << run;
        EXPECT_EQ(Value(U(dest), "GR-GR1001", "CalFactor"), c.gr1001) << run;
        EXPECT_EQ(Value(U(dest), "GR-GR1002", "CalFactor"), c.gr1002) << run;
        EXPECT_EQ(Value(s.job.metadataPath, "ToolRestore", "GR-GR1001"), std::to_string(c.first)) << run;
        // "Import serial number" comes for an overwritten serial number that
        // exists, but not once "Overwrite All" answered for all of them.
        if (c.answers.front() == kAnswerOverwriteAll) {
            EXPECT_EQ(Fake().importAsked, 0) << run;
        } else if (c.answers.front() == kAnswerNo) {
            EXPECT_EQ(Fake().importAsked, 2) << run;
        }
    }
    ASSERT_FALSE(Fake().questions.empty());
    EXPECT_EQ(N(Fake().questions[0]), "Tool GR-GR1001 exists already, overwrite?");
}

TEST_F(ToolItemTest, ImportSerialNumberChoosesTheTarget) {
    const std::u16string archive = Ini("archive.wcf",
                                       "[GR]\n1=GR1001\n[GR-GR1001]\nModel=GR-2\nCalFactor=9\n"
                                       "[GR-Models]\n1=GR-2\n[GR-GR-2]\nAvailable=Logging\n");
    struct Case {
        int answer;
        const char *value;
        bool cancel;
        const char *newSection; // where the serial went ("" when not copied)
    } cases[] = {
        {1, "", false, "GR-GR1001"},
        {1, "GR5555", false, "GR-GR5555"},
        {0, "", false, ""},
        {0, "", true, ""},
    };
    int run = 0;
    for (const Case &c : cases) {
        const std::string dest = tmp.file("installed" + std::to_string(++run) + ".ini");
        std::filesystem::copy_file(root + "config/tools.ini", dest);
        Fake() = FakeDialogs{};
        Fake().overwriteAnswers = {kAnswerYes};
        Fake().importAnswer = c.answer;
        Fake().importValue = U(c.value);
        Fake().cancelOnImport = c.cancel;
        int32_t cancel = 0;
        ScratchJob s(tmp, true);
        s.job.cancelFlag = &cancel;
        s.job.toolsPath = archive;
        EXPECT_EQ(RestoreToolItem(s.job, kToolFlagsSerial, u"GR", u"GR1001", U(dest).c_str()), StatusOk) << run;
        // The serial number exists in the installation: asked, though the job has no report flag.
        EXPECT_EQ(Fake().importAsked, 1) << run;
        EXPECT_EQ(N(Fake().importOffered), "GR1001");
        EXPECT_TRUE(Fake().importHadSerialList);
        if (*c.newSection) {
            EXPECT_EQ(Value(U(dest), c.newSection, "CalFactor"), "9") << run;
        } else {
            EXPECT_EQ(Value(U(dest), "GR-GR1001", "CalFactor"), "1.043") << run;
        }
        if (std::string(c.value) == "GR5555") {
            EXPECT_EQ(Value(U(dest), "GR", "4"), "GR5555"); // the gap before key 5 takes it
            EXPECT_EQ(Value(U(dest), "GR", "5"), "GR1020");
            EXPECT_EQ(Value(U(dest), "GR-GR1001", "CalFactor"), "1.043");
        }
        // The model step still runs, and the record carries the item's own key.
        EXPECT_EQ(Value(U(dest), "GR-GR-2", "Available"), "Logging") << run;
        EXPECT_EQ(Value(s.job.metadataPath, "ToolRestore", "GR-GR1001"), "0") << run;
        EXPECT_EQ(cancel, c.cancel ? 1 : 0);
        if (c.cancel) {
            EXPECT_EQ(VKRestore(&s.job, VK_ITEM_TOOL, kToolFlagsSerial, 0, u"NEU", u"NEU2201", U(dest).c_str()),
                      StatusCancelled);
        }
    }
}

TEST_F(ToolItemTest, ImportSerialNumberRules) {
    const std::u16string archive =
        Ini("archive.wcf", "[GR]\n1=GR-3\n[GR-GR-3]\nModel=GR-3\nCalFactor=5\n[CCL-CCL-9]\nAvailable=Logging\n");
    // A serial number equal to an installed model: the warning, then the question.
    {
        const std::string dest = tmp.file("a.ini");
        std::filesystem::copy_file(root + "config/tools.ini", dest);
        ScratchJob s(tmp, true);
        s.job.toolsPath = archive;
        Fake().overwriteAnswers = {kAnswerYes};
        EXPECT_EQ(RestoreToolItem(s.job, ToolItemSerial, u"GR", u"GR-3", U(dest).c_str()), StatusOk);
        EXPECT_EQ(Fake().importAsked, 1);
        ASSERT_FALSE(vk::ui::ShownLog().empty());
        EXPECT_EQ(N(vk::ui::ShownLog()[0].text), "(GR-GR-3) That serial number already exists as a model");
    }
    // A new serial number in a job without the report flag: no question; with it: asked.
    for (uint32_t flags : {0u, static_cast<uint32_t>(VKF_REPORT)}) {
        Fake() = FakeDialogs{};
        const std::u16string dest = Ini("b.ini", "");
        ScratchJob s(tmp, true);
        s.job.flags |= flags;
        s.job.toolsPath = Ini("archive2.wcf", "[GR]\n1=GR7\n[GR-GR7]\nCalFactor=5\n");
        EXPECT_EQ(RestoreToolItem(s.job, ToolItemSerial, u"GR", u"GR7", dest.c_str()), StatusOk);
        EXPECT_EQ(Fake().importAsked, flags ? 1 : 0);
        EXPECT_EQ(Value(dest, "GR", "1"), "GR7");
    }
    // No serial list: the identifier is the model; no list entry is made.
    {
        Fake() = FakeDialogs{};
        const std::u16string dest = Ini("c.ini", "");
        ScratchJob s(tmp, true);
        s.job.flags |= VKF_REPORT;
        s.job.toolsPath = archive;
        EXPECT_EQ(RestoreToolItem(s.job, kToolFlagsSerial, u"CCL", u"CCL-9", dest.c_str()), StatusOk);
        EXPECT_EQ(Fake().importAsked, 1);
        EXPECT_FALSE(Fake().importHadSerialList);
        EXPECT_EQ(Value(dest, "CCL", "1"), "");
        EXPECT_EQ(Value(dest, "CCL-CCL-9", "Available"), "Logging");
        EXPECT_EQ(Value(dest, "CCL-Models", "1"), "CCL-9");
    }
    // An empty number from the dialog keeps the offered one.
    {
        Fake() = FakeDialogs{};
        Fake().importValue = u"";
        const std::u16string dest = Ini("d.ini", "");
        ScratchJob s(tmp, true);
        s.job.flags |= VKF_REPORT;
        s.job.toolsPath = Ini("archive3.wcf", "[GR]\n1=GR8\n[GR-GR8]\nCalFactor=5\n");
        EXPECT_EQ(RestoreToolItem(s.job, ToolItemSerial, u"GR", u"GR8", dest.c_str()), StatusOk);
        EXPECT_EQ(Value(dest, "GR-GR8", "CalFactor"), "5");
        EXPECT_FALSE(Has(dest, u"GR-"));
    }
}

TEST_F(ToolItemTest, AnItemWithoutToolOrIdentifierCopiesNothing) {
    const std::u16string dest = Ini("dest.ini", "");
    ScratchJob s(tmp, true);
    s.job.toolsPath = installed;
    EXPECT_EQ(RestoreToolItem(s.job, kToolFlagsSerial, u"GR", u"", dest.c_str()), StatusFailed);
    EXPECT_EQ(RestoreToolItem(s.job, kToolFlagsModel, nullptr, u"GR-2", dest.c_str()), StatusFailed);
    EXPECT_FALSE(Has(dest, u"Tools"));
    // A restore job without an archive tools file (a plain file was opened).
    ScratchJob plain(tmp, true);
    EXPECT_EQ(RestoreToolItem(plain.job, kToolFlagsSerial, u"GR", u"GR1001", dest.c_str()), StatusFailed);
    EXPECT_FALSE(Has(dest, u"Tools"));
    EXPECT_EQ(Value(plain.job.metadataPath, "ToolRestore", "GR-GR1001"), "1");
    ScratchJob b(tmp, false);
    EXPECT_EQ(BackupToolItem(b.job, kToolFlagsModel, u"GR", nullptr, nullptr), StatusFailed);
    EXPECT_TRUE(b.job.toolsPath.empty()); // no archive tools file made for nothing
}

TEST_F(ToolItemTest, AModelThatIsAnInstalledSerialNumberIsNotCopied) {
    const std::u16string dest = Ini("dest.ini", "[GR]\n1=GR-2\n");
    ScratchJob s(tmp, true);
    s.job.toolsPath = installed;
    EXPECT_EQ(RestoreToolItem(s.job, kToolFlagsModel, u"GR", u"GR-2", dest.c_str()), StatusOk);
    EXPECT_FALSE(Has(dest, u"GR-GR-2"));
    EXPECT_FALSE(Has(dest, u"GR-Models"));
    ASSERT_EQ(vk::ui::ShownLog().size(), 1u);
    EXPECT_EQ(N(vk::ui::ShownLog()[0].text), "(GR-GR-2) That model already exists as a tool serial number");
    EXPECT_EQ(N(vk::ui::ShownLog()[0].caption), "Warning");
}

TEST_F(ToolItemTest, ContainerSubToolsAndFixUp) {
    // Installed: an instance CTS0999 of model CTS-4, whose section has lost
    // its "Container" but names its first sub-tool.
    const std::u16string dest = Ini("dest.ini",
                                    "[CTS]\n1=CTS0999\n[CTS-CTS0999]\nModel=cts-4\n"
                                    "[CTS-CTS-4]\nSubTool1=GR\n[GR-CTS0999]\nCalFactor=1\n");
    ScratchJob s(tmp, true);
    s.job.toolsPath = installed;
    Fake().importValue = u"CTS0500";
    s.job.flags |= VKF_REPORT;
    EXPECT_EQ(RestoreToolItem(s.job, kToolFlagsSerial, u"CTS", u"CTS0401", dest.c_str()), StatusOk);
    // The sub-tools of the instance under the new serial number.
    EXPECT_EQ(Value(dest, "GR-CTS0500", "CalFactor"), "1.038");
    EXPECT_EQ(Value(dest, "CCL-CTS0500", "Gain"), "4");
    EXPECT_EQ(Value(dest, "TEMP-CTS0500", "Slope"), "1.0008");
    // The fix-up: the installed instance's sub-tool names its container model.
    EXPECT_EQ(Value(dest, "GR-CTS0999", "Model"), "CTS-4");
    EXPECT_EQ(Value(dest, "GR-CTS0999", "CalFactor"), "1");
    // The model copy afterwards brings the model's own sub-tool sections.
    EXPECT_EQ(Value(dest, "CTS-CTS-4", "Container"), "1");
    EXPECT_EQ(Value(dest, "GR-CTS-4", "CalFactor"), "1.000");
    EXPECT_EQ(Value(dest, "CTS", "2"), "CTS0500");
}

TEST_F(ToolItemTest, CategoryGoesToTheListOfTheEntrysKind) {
    ScratchJob s(tmp, false);
    EXPECT_EQ(BackupToolItem(s.job, kToolFlagsModel, u"PERF", u"PG-3375", nullptr), StatusOk);
    EXPECT_EQ(BackupToolItem(s.job, kToolFlagsModel, u"CENT", u"BowSpring", nullptr), StatusOk);
    const std::u16string out = s.job.toolsPath;
    EXPECT_EQ(Value(out, "TCP-Categories", "1"), "Guns");
    EXPECT_EQ(Value(out, "Accessory Tools-Categories", "1"), "Centralizers");
    EXPECT_EQ(Value(out, "Logging Tools-Categories", "1"), "");
    // "PG3375.WTD" travels lower-cased.
    EXPECT_TRUE(s.Archived(u"5002/pg3375.wtd"));
}

TEST_F(ToolItemTest, AcquisitionModuleNamesCalibrationReportFormats) {
    InstallModule(root, "nucacq");
    vk::test::WriteFile(root + "format/modcal.wcp", "m");
    vk::test::WriteFile(root + "format/extra.wcp", "e");
    ScratchJob s(tmp, false);
    EXPECT_EQ(BackupToolItem(s.job, kToolFlagsModel, u"NEU", u"NEU-2", nullptr), StatusOk);
    EXPECT_TRUE(s.Archived(u"5001/neucal.wcp"));
    EXPECT_TRUE(s.Archived(u"5001/modcal.wcp"));
    EXPECT_TRUE(s.Archived(u"5001/extra.wcp"));

    // A module without a name for index 0, and a module that is not there.
    const std::u16string tools = Ini("t.ini",
                                     "[X-Models]\n1=NONE\n2=ABC\n[X-NONE]\nSoftware=nucacq\n"
                                     "[X-ABC]\nSoftware=ABC\n");
    std::vector<std::u16string> names;
    EXPECT_EQ(ModuleReportFormats(u"nucacq", u"X-NONE", [&](const std::u16string &n) { names.push_back(n); }), 0);
    EXPECT_EQ(ModuleReportFormats(u"ABC", u"X-ABC", [&](const std::u16string &n) { names.push_back(n); }), 0);
    // Only the program folder is searched: a name with a folder part is refused.
    std::filesystem::create_directories(root + "bin/sub");
    InstallModule(root, "sub/nucacq");
    InstallModule(root, "../format/nucacq");
    for (const char16_t *name : {u"sub/nucacq", u"sub\\nucacq", u"../format/nucacq"})
        EXPECT_EQ(ModuleReportFormats(name, u"X-Y", [&](const std::u16string &n) { names.push_back(n); }), 0);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(N(ModulePath(u"/opt/t/bin/", u"ABC")), "/opt/t/bin/ABC32.dll");
    ScratchJob s2(tmp, false);
    s2.job.workFolder = tmp.upath() + u"w2/";
    EXPECT_EQ(BackupToolItem(s2.job, kToolFlagsModel, u"X", u"NONE", tools.c_str()), StatusOk);
    EXPECT_EQ(BackupToolItem(s2.job, kToolFlagsModel, u"X", u"ABC", tools.c_str()), StatusOk);
    EXPECT_FALSE(vk::test::FileExists(tmp.path() + "w2/5001"));
}

TEST_F(ToolItemTest, AModuleThatNeverStopsIsCutOff) {
    InstallModule(root, "loopacq");
    int count = 0;
    size_t longest = 0;
    EXPECT_EQ(ModuleReportFormats(u"loopacq", u"T-LOOP",
                                  [&](const std::u16string &n) {
                                      ++count;
                                      longest = std::max(longest, n.size());
                                  }),
              kMaxModuleNames);
    EXPECT_EQ(count, kMaxModuleNames);
    EXPECT_EQ(longest, kModuleBufferChars - 1); // no terminator from the module: cut at the buffer's end
}

} // namespace
} // namespace vk::toolstest
