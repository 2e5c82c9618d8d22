#include "tests/lib/tooltree/tool_tree_fixture.h"

#include <cstdlib>
#include <filesystem>

#include "lib/services/directories.h"
#include "lib/services/profile.h"
#include "platform/ui/ui.h"

namespace vk::test {

int ToolTreeTest::deletions = 0;

namespace {

void OnDelete(VKHWND tree, const void *notification, void *) {
    ++ToolTreeTest::deletions;
    FreeTreeParam(tree, notification);
}

void Walk(VKHWND tree, VKHTREEITEM item, int depth, bool blocks, std::string &out) {
    for (; item; item = VKTreeNext(tree, item, VK_TREE_NEXT)) {
        VKTreeItemInfo info{};
        VKTreeGetItem(tree, item, &info);
        const auto *b = reinterpret_cast<const ToolTreeItemData *>(info.param);
        out += std::string(static_cast<size_t>(depth) * 2, ' ') + N(info.text);
        out += " [" + std::to_string(b ? b->kind : -1) + "]";
        if (blocks && b)
            out += " " + std::to_string(b->categoryMark) + "|" + N(b->toolName) + "|" + N(b->serialNumber) + "|" +
                   N(b->model);
        out += "\n";
        Walk(tree, VKTreeNext(tree, item, VK_TREE_CHILD), depth + 1, blocks, out);
    }
}

} // namespace

void ToolTreeTest::SetUp() {
    const char *v = std::getenv("VAULTKEEP_REGISTRY");
    hadRegistry_ = v != nullptr;
    savedRegistry_ = v ? v : "";
    vk::ui::ResetUiState();
    deletions = 0;
    Install(true);
}

void ToolTreeTest::TearDown() {
    if (tree) VKDestroyTreeWindow(tree);
    tree = nullptr;
    vk::ui::ResetUiState();
    if (hadRegistry_) ::setenv("VAULTKEEP_REGISTRY", savedRegistry_.c_str(), 1);
    else ::unsetenv("VAULTKEEP_REGISTRY");
    vk::lib::LoadDirectories();
}

void ToolTreeTest::Install(bool tcp) {
    const std::string config = tmp.file(tcp ? "config3/" : "config2/");
    WriteFile(tmp.file("registry.reg"),
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\KDBase]\r\n\"ConfigDir\"=\"" +
                  config + "\"\r\n\"BinDir\"=\"" + tmp.path() + "\"\r\n");
    // Made without a shell: under Wine, starting one is slow and can fail.
    std::error_code ec;
    std::filesystem::create_directories(config, ec);
    ASSERT_FALSE(ec) << config;
    WriteFile(config + "WProperties.ini", tcp ? "[Global]\r\nTCP=1\r\n" : "[Global]\r\nTCP=0\r\n");
    ::setenv("VAULTKEEP_REGISTRY", tmp.file("registry.reg").c_str(), 1);
    vk::lib::LoadDirectories();
}

std::u16string ToolTreeTest::Tools(const std::string &text) {
    static int n = 0;
    const std::string path = tmp.file("tools" + std::to_string(++n) + ".ini");
    WriteFile(path, text);
    return U(path);
}

VKHWND ToolTreeTest::NewTree(bool checkBoxes) {
    if (tree) VKDestroyTreeWindow(tree);
    tree = VKCreateTreeWindow(u"Tools", 400, 300, checkBoxes ? 1 : 0, OnDelete, nullptr);
    return tree;
}

std::string ToolTreeTest::Outline(VKHWND t, bool blocks) {
    std::string out;
    Walk(t, VKTreeNext(t, nullptr, VK_TREE_ROOT), 0, blocks, out);
    return out;
}

std::string ToolTreeTest::Text(VKHWND t, VKHTREEITEM item) {
    VKTreeItemInfo info{};
    if (!VKTreeGetItem(t, item, &info)) return "<none>";
    return N(info.text);
}

const ToolTreeItemData *ToolTreeTest::Block(VKHWND t, VKHTREEITEM item) {
    VKTreeItemInfo info{};
    if (!VKTreeGetItem(t, item, &info)) return nullptr;
    return reinterpret_cast<const ToolTreeItemData *>(info.param);
}

size_t ToolTreeTest::Count(VKHWND t) {
    size_t n = 0;
    std::string o = Outline(t);
    for (char c : o) n += c == '\n';
    return n;
}

BackupJob ToolTreeTest::SelectionJob() {
    WriteFile(tmp.file("services.ini"), "[Service]\n1=Open Hole\n[Open Hole]\nTool1=GR;serial=GR1001\nTool2=CCL\n");
    WriteFile(tmp.file("archive.wcf"), "");
    WriteFile(tmp.file("Backup.why"), "");
    BackupJob job;
    job.flags = VKF_BACKUP;
    job.name = u"b";
    job.workFolder = tmp.upath();
    job.metadataPath = tmp.ufile("Backup.why");
    job.toolsPath = tmp.ufile("archive.wcf");
    // The test installation has no format files: their copy failures are
    // recorded, not shown.
    job.progress = [](int, intptr_t, const char16_t *) { return 0; };
    return job;
}

void ToolTreeTest::ExpectSelectionOfGr1002(const BackupJob &job) {
    char16_t value[8] = {};
    for (const char16_t *entry : {u"GR-GR1001", u"GR-GR1002", u"CCL-CCL-1"}) {
        value[0] = 0;
        lib::ProfileGetString(u"ToolBk", entry, u"", value, 8, job.metadataPath.c_str());
        EXPECT_EQ(std::u16string(value), u"0");
    }
    lib::ProfileGetString(u"ToolBk", u"GR-GR1010", u"x", value, 8, job.metadataPath.c_str());
    EXPECT_EQ(std::u16string(value), u"x");
}

} // namespace vk::test
