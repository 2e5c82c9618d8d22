// The exported tool-tree calls.
#include <cstddef>
#include <string>

#include "common/memory.h"
#include "lib/services/profile.h"
#include "lib/tools/tool_tree.h"
#include "platform/ini/ini.h"
#include "platform/text/text.h"
#include "platform/ui/treeview.h"

// The block is part of the exported interface: its fields follow each other
// without gaps.
static_assert(offsetof(ToolTreeItemData, toolName) == 4);
static_assert(offsetof(ToolTreeItemData, serialNumber) == 4 + 512);
static_assert(offsetof(ToolTreeItemData, model) == 4 + 1024);
static_assert(offsetof(ToolTreeItemData, kind) == 4 + 1536);
static_assert(sizeof(ToolTreeItemData) == 1544);

namespace {

using namespace vk::tools;

std::u16string_view Text(const char16_t *s) { return s ? std::u16string_view(s) : std::u16string_view(); }

// Shows the wait cursor for the life of the object.
struct WaitCursor {
    WaitCursor() { vk::ui::BeginWaitCursor(); }
    ~WaitCursor() { vk::ui::EndWaitCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

constexpr size_t kLabelChars = 1024;
constexpr size_t kModelSectionChars = 87;

} // namespace

extern "C" {

VK_API void FillToolTree(VKHWND tree, const char16_t *toolsFile, VKHTREEITEM *loggingRoot, VKHTREEITEM *accessoryRoot,
                         VKHTREEITEM *tcpRoot) {
    WaitCursor wait;
    vk::ini::Batch writes; // dropped stale categories reach the file once, at the end
    const char16_t *file = toolsFile ? toolsFile : u"";
    KindRoots roots = FillToolTreeFrame(tree, file);
    for (int i = 1;; ++i) {
        const std::u16string tool = ReadValue(kToolsSection, vk::text::U16(std::to_string(i)), file, kListNameChars);
        if (tool.empty()) break;
        InsertToolEntries(tree, roots, tool.c_str(), file, true);
    }
    SortKindRoots(tree, roots[1]);
    LastFilledRoots() = roots;
    if (loggingRoot) *loggingRoot = roots[1];
    if (accessoryRoot) *accessoryRoot = roots[2];
    if (tcpRoot) *tcpRoot = roots[3];
}

VK_API int AddAToolToTree(VKHWND tree, int kind, const char16_t *tool, const char16_t *model, const char16_t *serial,
                          const char16_t *category, const char16_t *toolsFile) {
    if (kind < 1 || kind > 3) return 0;
    const KindRoots &roots = LastFilledRoots();
    VKTreeItem *root = roots[kind];
    if (!root || !vk::ui::TreeIsItem(tree, root)) return 0;
    std::u16string label;
    if (kind == 1) label = Text(serial);
    else if (kind == 2) label = (serial && *serial) ? Text(serial) : Text(model);
    else label = Text(model);
    if (label.size() > kLabelChars) label.resize(kLabelChars);

    const char16_t *file = toolsFile ? toolsFile : u"";
    std::u16string section = std::u16string(Text(tool)) + u"-" + std::u16string(Text(model));
    if (section.size() > kModelSectionChars) section.resize(kModelSectionChars);
    const std::u16string description = ReadValue(section, u"Description", file, kDescriptionChars);

    VKTreeItem *item = InsertToolEntry(tree, root,
                                       {kind, Text(category), Text(tool), serial, Text(model), label, description},
                                       file);
    SortKindRoots(tree, root);
    if (!item) return 0;
    return vk::ui::TreeSelectItem(tree, item) ? 1 : 0;
}

VK_API VKHTREEITEM FindToolInTree(VKHWND tree, const char16_t *tool, const char16_t *label) {
    VKTreeItem *toolItem = nullptr;
    if (!FindTextFrom(tree, Text(tool), vk::ui::TreeGetNext(tree, nullptr, vk::ui::TreeNext::Root), &toolItem, -1))
        return nullptr;
    VKTreeItem *result = nullptr;
    if (!FindTextFrom(tree, Text(label), toolItem, &result, -1)) result = toolItem;
    vk::ui::TreeSelectItem(tree, result);
    return result;
}

VK_API int FindTextInTree(VKHWND tree, const char16_t *text, VKHTREEITEM start, VKHTREEITEM *found, int kindFilter) {
    if (!found) return 0;
    if (*found) return 1;
    return FindTextFrom(tree, Text(text), start, found, kindFilter) ? 1 : 0;
}

VK_API void FreeTreeParam(VKHWND tree, const void *deletionNotification) {
    const auto *n = static_cast<const vk::ui::Notify *>(deletionNotification);
    if (!n || n->code != vk::ui::kTvnDeleteItem) return;
    vk::ui::TreeItemData data;
    data.mask = vk::ui::kTvifParam;
    if (!vk::ui::TreeGetItem(tree, n->item, data)) return;
    vk::FreeBlock(reinterpret_cast<void *>(data.param));
    // The item forgets its block, so a second release is harmless.
    data.param = 0;
    vk::ui::TreeSetItem(tree, n->item, data);
}

} // extern "C"
