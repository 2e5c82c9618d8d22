// The tool dialogs on the headless backend: the selection of a service's
// tools (pre-checks, check spreading, resize, transfer walk), the Copying
// window, the overwrite question and "Import serial number".
#include <gtest/gtest.h>

#include <functional>

#include "lib/engine/job.h"
#include "lib/resources/library_dialogs.h"
#include "lib/resources/library_module.h"
#include "lib/services/directories.h"
#include "lib/services/profile.h"
#include "lib/tools/tool_dialogs.h"
#include "lib/tools/tool_tree.h"
#include "lib/tools/tool_tree_dialogs.h"
#include "platform/ini/ini.h"
#include "platform/ui/treeview.h"
#include "platform/ui/ui.h"
#include "tests/lib/tooltree/tool_tree_fixture.h"

namespace vk::test {
namespace {

using namespace vk::ui;
using vk::tools::ItemText;

constexpr char kTools[] = "[Tools]\n1=GR\n2=CCL\n3=NEU\n"
                          "[Logging Tools-Categories]\n1=Gamma\n"
                          "[GR]\nCategory=Gamma\n1=100\n2=200\n[GR-100]\nModel=A\nCal=1\n[GR-200]\nModel=A\nCal=2\n"
                          "[GR-A]\nDescription=Gamma\n"
                          "[CCL-Models]\n1=M1\n2=M2\n[CCL-M1]\nDescription=Coil\n[CCL-M2]\nDescription=Magnet\n"
                          "[NEU]\n1=N1\n[NEU-N1]\nNear=1\n";

class ToolDialogsTest : public ToolTreeTest {
protected:
    void SetUp() override {
        ToolTreeTest::SetUp();
        ClearShownLog();
        ClearAnswers();
        tools = Tools(kTools);
        WriteFile(tmp.file("archive.wcf"), "");
        WriteFile(tmp.file("Backup.why"), "");
        job.flags = VKF_BACKUP;
        job.name = u"b";
        job.workFolder = tmp.upath();
        job.metadataPath = tmp.ufile("Backup.why");
        job.toolsPath = tmp.ufile("archive.wcf");
        job.cancelFlag = &cancel;
    }
    void TearDown() override {
        ClearAnswers();
        ToolTreeTest::TearDown();
    }

    std::u16string Services(const std::string &toolLines) {
        const std::string path = tmp.file("services.ini");
        WriteFile(path, "[Service]\n1=Open\n[Open]\n" + toolLines);
        return U(path);
    }

    // Opens the selection dialog modeless, so the test can look at it.
    VKHWND OpenSelection(const std::u16string &services, bool restore = false) {
        vk::tools::BeginToolSelection(job, u"Open", services, restore ? job.toolsPath : tools, restore);
        dialog = CreateDialog(&vk::lib::LibraryModule(), vk::lib::kDialogToolSelection, nullptr,
                              vk::tools::ToolSelectionProc, 0);
        selTree = GetDlgItem(dialog, vk::lib::kToolSelectionTree);
        return dialog;
    }
    VKTreeItem *Item(const char16_t *tool, const char16_t *label) { return FindToolInTree(selTree, tool, label); }
    int State(VKTreeItem *item) {
        TreeItemData d;
        d.mask = kTvifState;
        TreeGetItem(selTree, item, d);
        return d.state;
    }
    // A click on the item's check box.
    void ClickCheck(VKTreeItem *item) {
        TreeEnsureVisible(selTree, item);
        Rect r;
        ASSERT_TRUE(TreeGetItemRect(selTree, item, false, r));
        const int x = (TreeItemDepth(selTree, item) + 1) * kTreeIndent + kTreeStateWidth / 2;
        const int y = r.y + r.h / 2;
        ASSERT_TRUE(TreeHitTest(selTree, x, y).flags & kTvhtOnItemStateIcon);
        TreeClick(selTree, x, y);
    }
    std::string Marks() {
        char16_t buffer[1024] = {};
        lib::ProfileGetString(u"ToolBk", nullptr, u"", buffer, 1024, job.metadataPath.c_str());
        std::string out;
        for (const char16_t *n = buffer; *n; n = lib::NextName(n)) out += N(n) + " ";
        return out;
    }

    std::u16string tools;
    BackupJob job;
    int32_t cancel = 0;
    VKHWND dialog = nullptr;
    VKHWND selTree = nullptr;
};

TEST_F(ToolDialogsTest, PreChecksFollowTheServiceEntries) {
    struct Case {
        const char *name;
        std::string entries;
        std::vector<std::pair<std::u16string, int>> states; // label below its tool (tool, label)
        std::u16string selected;
    } cases[] = {
        {"a serial number", "Tool1=GR;serial=100\n", {{u"100", 2}, {u"200", 1}, {u"A (Gamma)", 1}}, u"100"},
        {"a model of a tool without serial list", "Tool1=CCL;model=M1\n", {{u"M1 (Coil)", 2}, {u"M2 (Magnet)", 1}},
         u"M1 (Coil)"},
        {"a model of a tool with a serial list", "Tool1=GR;model=A\n", {{u"A (Gamma)", 2}, {u"100", 1}, {u"200", 1}},
         u"A (Gamma)"},
        {"a bare tool checks its whole subtree", "Tool1=GR\n",
         {{u"GR", 2}, {u"A (Gamma)", 2}, {u"100", 2}, {u"200", 2}}, u"GR"},
        {"an only child checks its parents", "Tool1=NEU;serial=N1\n", {{u"N1", 2}, {u"NEU", 2}}, u"N1"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        OpenSelection(Services(c.entries));
        ASSERT_TRUE(IsWindow(dialog));
        EXPECT_FALSE(IsDialogEnded(dialog));
        EXPECT_EQ(GetWindowText(dialog), u"Open - Select tools to export");
        const char16_t *tool = c.entries.find("GR") != std::string::npos    ? u"GR"
                               : c.entries.find("CCL") != std::string::npos ? u"CCL"
                                                                            : u"NEU";
        for (const auto &[label, state] : c.states) {
            VKTreeItem *item = label == tool ? Item(tool, u"") : Item(tool, label.c_str());
            ASSERT_NE(item, nullptr);
            EXPECT_EQ(ItemText(selTree, item), label);
            EXPECT_EQ(State(item), state) << N(label);
        }
        DestroyWindow(dialog);
        OpenSelection(Services(c.entries));
        EXPECT_EQ(vk::tools::ItemText(selTree, TreeGetSelection(selTree)), c.selected);
        DestroyWindow(dialog);
    }
}

TEST_F(ToolDialogsTest, InstalledStdIsListedButNotChecked) {
    WriteFile(N(lib::ToolsIniPath()), "[STD]\n1=X\n");
    const std::u16string tools2 = Tools(std::string(kTools) + "[Tools]\n4=STD\n[STD-Models]\n1=S\n");
    tools = tools2;
    OpenSelection(Services("Tool1=STD\n"));
    VKTreeItem *item = Item(u"STD", u"S");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(ItemText(selTree, item), u"S");
    EXPECT_EQ(State(item), 1);
    EXPECT_EQ(State(Item(u"STD", u"")), 1);
    DestroyWindow(dialog);
}

TEST_F(ToolDialogsTest, NothingToListGivesNoDialog) {
    const std::u16string services = Services("Tool1=NOPE;serial=1\nTool2=#note\n");
    EXPECT_EQ(vk::tools::SelectServiceTools(job, nullptr, u"Open", services, tools, false), 1);
    EXPECT_EQ(Marks(), "");
    // Entries already transferred in the job are left out as well.
    lib::ProfileWriteString(u"ToolBk", u"NEU-N1", u"0", job.metadataPath.c_str());
    OpenSelection(Services("Tool1=NEU\n"));
    EXPECT_TRUE(IsDialogEnded(dialog));
    DestroyWindow(dialog);
}

TEST_F(ToolDialogsTest, CheckSpreadsDownAndClearingSpreadsUp) {
    OpenSelection(Services("Tool1=CCL;model=M1\n"));
    VKTreeItem *gr = Item(u"GR", u"");
    // GR is not named by the service, so it is not in the tree.
    EXPECT_EQ(gr, nullptr);
    DestroyWindow(dialog);

    OpenSelection(Services("Tool1=CCL;model=M1\nTool2=GR;serial=200\n"));
    gr = Item(u"GR", u"");
    ClickCheck(gr);
    EXPECT_EQ(State(gr), 2);
    for (const char16_t *label : {u"A (Gamma)", u"100", u"200"}) EXPECT_EQ(State(Item(u"GR", label)), 2);
    VKTreeItem *s100 = Item(u"GR", u"100");
    ClickCheck(s100);
    EXPECT_EQ(State(s100), 1);
    EXPECT_EQ(State(Item(u"GR", u"A (Gamma)")), 1);
    EXPECT_EQ(State(gr), 1);
    VKTreeItem *category = TreeGetNext(selTree, gr, TreeNext::Parent);
    EXPECT_EQ(ItemText(selTree, category), u"Gamma");
    EXPECT_EQ(State(category), 1);
    EXPECT_EQ(State(TreeGetNext(selTree, category, TreeNext::Parent)), 1);
    EXPECT_EQ(State(Item(u"GR", u"200")), 2);
    DestroyWindow(dialog);
}

// Space on the selected entry spreads its check as the click does.
TEST_F(ToolDialogsTest, SpaceChecksTheSelectedEntryWithTheClickRules) {
    OpenSelection(Services("Tool1=CCL;model=M1\nTool2=GR;serial=200\n"));
    VKTreeItem *gr = Item(u"GR", u"");
    ASSERT_TRUE(TreeSelectItem(selTree, gr));
    DeliverInput(selTree, kMsgKeyDown, kKeySpace, 0);
    EXPECT_EQ(State(gr), 2);
    for (const char16_t *label : {u"A (Gamma)", u"100", u"200"}) EXPECT_EQ(State(Item(u"GR", label)), 2);
    VKTreeItem *s100 = Item(u"GR", u"100");
    ASSERT_TRUE(TreeSelectItem(selTree, s100));
    DeliverInput(selTree, kMsgKeyDown, kKeySpace, 0);
    EXPECT_EQ(State(s100), 1);
    EXPECT_EQ(State(gr), 1); // clearing spreads up
    DestroyWindow(dialog);
}

TEST_F(ToolDialogsTest, ResizeKeepsButtonsInTheCornerAndFillsWithTheTree) {
    OpenSelection(Services("Tool1=GR\n"));
    const Rect before = GetWindowRect(dialog);
    MoveWindow(dialog, {before.x, before.y, 700, 500}, true);
    const int m = SystemMetric(Metric::CaptionHeight) / 3;
    const Rect origin = GetWindowRect(dialog);
    const Rect ok = GetWindowRect(GetDlgItem(dialog, kIdOk));
    const Rect cancel = GetWindowRect(GetDlgItem(dialog, kIdCancel));
    const Rect tree = GetWindowRect(selTree);
    EXPECT_EQ(ok.x - origin.x + ok.w, 700 - m);
    EXPECT_EQ(ok.y - origin.y + ok.h, 500 - m);
    EXPECT_EQ(cancel.x + cancel.w, ok.x - m);
    EXPECT_EQ(cancel.y, ok.y);
    EXPECT_EQ(cancel.w, ok.w);
    EXPECT_EQ(tree.x - origin.x, m);
    EXPECT_EQ(tree.y - origin.y, m);
    EXPECT_EQ(tree.w, 700 - 2 * m);
    EXPECT_EQ(tree.h, 500 - 3 * m - ok.h);
    DestroyWindow(dialog);
}

TEST_F(ToolDialogsTest, OkTransfersTheCheckedEntriesAndCancelNothing) {
    const std::u16string services = Services("Tool1=GR;serial=100\nTool2=CCL;model=M2\n");
    OpenSelection(services);
    ClickButton(dialog, kIdCancel);
    EXPECT_TRUE(IsDialogEnded(dialog));
    DestroyWindow(dialog);
    EXPECT_EQ(Marks(), "");

    EXPECT_EQ(vk::tools::SelectServiceTools(job, nullptr, u"Open", services, tools, false), 1);
    const std::string marks = Marks();
    EXPECT_NE(marks.find("GR-100"), std::string::npos) << marks;
    EXPECT_NE(marks.find("CCL-M2"), std::string::npos) << marks;
    EXPECT_EQ(marks.find("GR-200"), std::string::npos) << marks;
    EXPECT_EQ(marks.find("CCL-M1"), std::string::npos) << marks;
    vk::ini::Flush(nullptr);
    const std::string archive = ReadFile(tmp.file("archive.wcf"));
    EXPECT_NE(archive.find("[GR-100]"), std::string::npos);
    EXPECT_EQ(archive.find("[GR-200]"), std::string::npos);

    // The hook table reaches the dialog; Cancel gives 0 there.
    QueueAnswers(u"dialog 111:Cancel");
    EXPECT_EQ(vk::tools::ToolDialogHooks().selectTools(job, nullptr, u"Open", services, tools, false), 0);
}

TEST_F(ToolDialogsTest, AFailedEntryPassesOverTheRestOfItsTool) {
    // A restore: the archive holds GR 100 and 200 and the CCL models; the
    // installed file holds GR-100 and GR-200 already.
    job.flags = VKF_RESTORE;
    WriteFile(tmp.file("archive.wcf"), kTools);
    WriteFile(N(lib::ToolsIniPath()), "[Tools]\n1=GR\n[GR]\n1=100\n2=200\n[GR-100]\nModel=A\n[GR-200]\nModel=A\n"
                                      "[GR-A]\nDescription=Gamma\n");
    OpenSelection(Services("Tool1=GR\nTool2=CCL\nTool3=NEU\n"), true);
    EXPECT_EQ(GetWindowText(dialog), u"Open - Select tools to import");
    DestroyWindow(dialog);
    // The walk meets GR 100 first (children before parents): No to its
    // question passes over the other GR entries; the CCL models go. NEU N1
    // names no model and is never handed over.
    QueueAnswers(u"dialog 111:Ok; dialog 109:No");
    EXPECT_EQ(vk::tools::SelectServiceTools(job, nullptr, u"Open", Services("Tool1=GR\nTool2=CCL\nTool3=NEU\n"),
                                            job.toolsPath, true),
              1);
    int questions = 0;
    for (const Shown &s : ShownLog()) questions += s.dialogId == vk::lib::kDialogToolOverwrite;
    EXPECT_EQ(questions, 1);
    char16_t value[16] = {};
    lib::ProfileGetString(u"ToolRestore", u"GR-100", u"", value, 16, job.metadataPath.c_str());
    EXPECT_EQ(N(value), "3"); // StatusSkipOne
    lib::ProfileGetString(u"ToolRestore", u"GR-200", u"", value, 16, job.metadataPath.c_str());
    EXPECT_EQ(N(value), "");
    lib::ProfileGetString(u"ToolRestore", u"GR-A", u"", value, 16, job.metadataPath.c_str());
    EXPECT_EQ(N(value), "");
    lib::ProfileGetString(u"ToolRestore", u"CCL-M1", u"", value, 16, job.metadataPath.c_str());
    EXPECT_EQ(N(value), "0");
    lib::ProfileGetString(u"ToolRestore", u"CCL-M2", u"", value, 16, job.metadataPath.c_str());
    EXPECT_EQ(N(value), "0");
    lib::ProfileGetString(u"ToolRestore", u"NEU-N1", u"", value, 16, job.metadataPath.c_str());
    EXPECT_EQ(N(value), "");
}

TEST_F(ToolDialogsTest, OverwriteQuestionEndsWithTheButtonPressed) {
    for (const auto &[script, expected] : std::vector<std::pair<std::u16string, int>>{
             {u"dialog 109:103", 103}, {u"dialog 109:Yes", 6}, {u"dialog 109:No", 7}, {u"dialog 109:104", 104},
             {u"dialog 109:Cancel", 2}, {u"", 6}}) {
        SCOPED_TRACE(N(script));
        ClearShownLog();
        QueueAnswers(script);
        EXPECT_EQ(vk::tools::AskToolOverwrite(nullptr, u"Tool GR-100 exists already, overwrite?"), expected);
        ASSERT_EQ(ShownLog().size(), 1u);
        EXPECT_EQ(ShownLog()[0].caption, u"Copying tool information");
        const std::string texts = N(ShownLog()[0].text);
        EXPECT_NE(texts.find("Tool GR-100 exists already, overwrite?"), std::string::npos) << texts;
    }
}

TEST_F(ToolDialogsTest, ImportSerialNumberCases) {
    const std::u16string dest = Tools("[GR]\n1=100\n[GR-Models]\n1=GR-2\n");
    struct Case {
        const char *name;
        std::u16string script;
        int result;
        std::string target;
        int cancelFlag;
        bool warned;
    } cases[] = {
        {"OK with the value unchanged", u"dialog 114:Ok", 1, "100", 0, false},
        {"OK with a new value", u"dialog 114:Ok{text 116=150}", 1, "150", 0, false},
        {"Skip", u"dialog 114:117", 0, "100", 0, false},
        {"Cancel sets the cancel flag", u"dialog 114:Cancel", 0, "100", 1, false},
        {"a model's name is refused and the dialog stays", u"dialog 114:Ok{text 116=gr-2}", 0, "100", 0, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ClearShownLog();
        cancel = 0;
        QueueAnswers(c.script);
        std::u16string target = u"100";
        EXPECT_EQ(vk::tools::ImportSerialNumber(job, u"GR", dest, true, target), c.result);
        EXPECT_EQ(N(target), c.target);
        EXPECT_EQ(cancel, c.cancelFlag);
        bool warned = false;
        for (const Shown &s : ShownLog())
            if (s.what == Shown::What::Box) {
                warned = true;
                EXPECT_EQ(s.text, u"(GR-GR-2) That serial number already exists as a model");
                EXPECT_EQ(s.caption, u"Warning");
                EXPECT_EQ(s.flags & kMbIconWarning, kMbIconWarning);
            }
        EXPECT_EQ(warned, c.warned);
        const Shown &d = ShownLog().back();
        EXPECT_EQ(d.dialogId, vk::lib::kDialogImportSerial);
        EXPECT_EQ(d.caption, u"Restore calibrations for GR");
    }
    ClearShownLog();
    std::u16string target = u"M";
    vk::tools::ImportSerialNumber(job, u"CCL", dest, false, target);
    ASSERT_FALSE(ShownLog().empty());
    EXPECT_EQ(ShownLog().back().caption, u"Restore model info for CCL");
    const std::string texts = N(ShownLog().back().text);
    for (const char *t : {"From", "To", "M"}) EXPECT_NE(texts.find(t), std::string::npos) << t;
}

TEST_F(ToolDialogsTest, CopyingWindowIsOneAtATime) {
    vk::tools::CloseCopyingWindow(); // nothing open: nothing happens
    vk::tools::OpenCopyingWindow(nullptr, u"GR-100");
    VKHWND first = vk::tools::CopyingWindow();
    ASSERT_TRUE(IsWindow(first));
    EXPECT_TRUE(IsVisible(first));
    EXPECT_EQ(GetWindowText(first), u"Copying tool information");
    EXPECT_EQ(GetDlgItemText(first, vk::lib::kCopyingText), u"Copying GR-100");
    vk::tools::OpenCopyingWindow(nullptr, u"GR-200");
    int copying = 0;
    for (VKHWND w : Children(nullptr)) copying += GetTemplateId(w) == vk::lib::kDialogCopying;
    EXPECT_EQ(copying, 1);
    EXPECT_EQ(GetDlgItemText(vk::tools::CopyingWindow(), vk::lib::kCopyingText), u"Copying GR-200");
    vk::tools::CloseCopyingWindow();
    EXPECT_EQ(vk::tools::CopyingWindow(), nullptr);
    vk::tools::CloseCopyingWindow();
}

} // namespace
} // namespace vk::test
