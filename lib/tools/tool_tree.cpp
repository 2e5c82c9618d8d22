// Building the tool tree: the kind and category frame, the entries of one
// tool, the insert of one entry, search and sort.
#include "lib/tools/tool_tree.h"

#include <vector>

#include "common/memory.h"
#include "common/string_copy.h"
#include "lib/resources/library_module.h"
#include "lib/services/directories.h"
#include "lib/services/profile.h"
#include "platform/text/text.h"

namespace vk::tools {
namespace {

using vk::ui::TreeItemData;
using vk::ui::TreeNext;

// Texts of the kind roots (library strings).
constexpr uint32_t kKindRootText[] = {0, 8116, 8117, 3873};
constexpr size_t kDataChars = 256;

std::u16string Read(std::u16string_view section, std::u16string_view key, size_t chars, const char16_t *file) {
    return ReadValue(section, key, file, chars);
}

std::u16string Dash(std::u16string_view a, std::u16string_view b) { return EntrySection(a, b); }

// Makes the block of an item; null (after the allocation warning) when
// memory is short.
ToolTreeItemData *NewBlock(int32_t categoryMark, std::u16string_view tool, std::u16string_view serial,
                           std::u16string_view model, int32_t kind) {
    auto *block = static_cast<ToolTreeItemData *>(AllocZeroed(sizeof(ToolTreeItemData)));
    if (!block) return nullptr;
    block->categoryMark = categoryMark;
    CopyBounded(block->toolName, kDataChars, tool);
    CopyBounded(block->serialNumber, kDataChars, serial);
    CopyBounded(block->model, kDataChars, model);
    block->kind = kind;
    return block;
}

// Inserts an item with its block; without a block, no item.
VKTreeItem *InsertWithBlock(VKHWND tree, VKTreeItem *parent, VKTreeItem *after, std::u16string_view text, int image,
                            ToolTreeItemData *block) {
    if (!block) return nullptr;
    TreeItemData data;
    data.mask = ui::kTvifText | ui::kTvifImage | ui::kTvifSelectedImage | ui::kTvifParam;
    data.text = std::u16string(text);
    data.image = image;
    data.selectedImage = image;
    data.param = reinterpret_cast<intptr_t>(block);
    VKTreeItem *item = ui::TreeInsertItem(tree, parent, after, data);
    if (!item) FreeBlock(block);
    return item;
}

VKTreeItem *FirstRoot(VKHWND tree) { return ui::TreeGetNext(tree, nullptr, TreeNext::Root); }

VKTreeItem *Find(VKHWND tree, std::u16string_view text, VKTreeItem *start, int kind) {
    VKTreeItem *found = nullptr;
    FindTextFrom(tree, text, start, &found, kind);
    return found;
}

} // namespace

KindRoots &LastFilledRoots() {
    static KindRoots roots{};
    return roots;
}

ToolTreeItemData *ItemData(VKHWND tree, VKTreeItem *item) {
    TreeItemData data;
    data.mask = ui::kTvifParam;
    if (!item || !ui::TreeGetItem(tree, item, data)) return nullptr;
    return reinterpret_cast<ToolTreeItemData *>(data.param);
}

std::u16string ItemText(VKHWND tree, VKTreeItem *item) {
    TreeItemData data;
    data.mask = ui::kTvifText;
    if (!item || !ui::TreeGetItem(tree, item, data)) return {};
    if (data.text.size() > kItemTextChars - 1) data.text.resize(kItemTextChars - 1);
    return data.text;
}

bool FindTextFrom(VKHWND tree, std::u16string_view text, VKTreeItem *start, VKTreeItem **found, int kind) {
    for (VKTreeItem *item = start; item && !*found;) {
        TreeItemData data;
        data.mask = ui::kTvifText | ui::kTvifParam;
        if (!ui::TreeGetItem(tree, item, data)) break;
        // Texts are read with room for 255 characters: a longer text never
        // matches.
        if (data.text.size() > kItemTextChars - 1) data.text.resize(kItemTextChars - 1);
        const auto *block = reinterpret_cast<const ToolTreeItemData *>(data.param);
        if (data.text.size() == text.size() && text::EqualNoCase(data.text, text) &&
            (kind < 0 || (block && block->kind == kind))) {
            *found = item;
            break;
        }
        FindTextFrom(tree, text, ui::TreeGetNext(tree, item, TreeNext::Child), found, kind);
        if (!*found) item = ui::TreeGetNext(tree, item, TreeNext::Next);
    }
    return *found != nullptr;
}

VKTreeItem *InsertToolEntry(VKHWND tree, VKTreeItem *kindRoot, const TreeEntry &e, const char16_t *toolsFile) {
    if (!kindRoot || e.kind < 1 || e.kind > 3) return nullptr;
    const std::u16string tool(e.tool);

    // Category level.
    VKTreeItem *parent = kindRoot;
    bool newCategory = false;
    if (!e.category.empty()) {
        const std::u16string category(e.category);
        if (VKTreeItem *found = Find(tree, category, FirstRoot(tree), e.kind)) {
            parent = found;
        } else if (CategoryListed(e.kind, category, toolsFile)) {
            VKTreeItem *made = InsertWithBlock(tree, kindRoot, ui::kTviLast, category, kImageCategory,
                                               NewBlock(1, tool, u"", u"", e.kind));
            if (!made) return nullptr;
            parent = made;
            newCategory = true;
        } else if (!CategoryListed(1, category, toolsFile) && !CategoryListed(2, category, toolsFile) &&
                   !CategoryListed(3, category, toolsFile)) {
            // A category no kind lists is dropped from the tool. One that
            // another kind lists stays: the tool's entries of that kind
            // still show under it (a tool may have entries of two kinds).
            lib::ProfileWriteString(tool.c_str(), u"Category", nullptr, toolsFile);
        }
    }

    // Tool level.
    VKTreeItem *toolItem = newCategory ? nullptr : Find(tree, tool, FirstRoot(tree), e.kind);
    if (!toolItem) {
        toolItem = InsertWithBlock(tree, parent, ui::kTviLast, tool, e.kind, NewBlock(0, tool, u"", u"", e.kind));
        if (!toolItem) return nullptr;
    }
    if (e.label.empty()) return nullptr;

    // Model level.
    VKTreeItem *modelItem = nullptr;
    if (!e.model.empty()) {
        std::u16string text(e.model);
        if (!e.description.empty()) text += u" (" + std::u16string(e.description) + u")";
        modelItem = Find(tree, text, toolItem, e.kind);
        if (!modelItem) {
            modelItem = InsertWithBlock(tree, toolItem, ui::kTviLast, text, e.kind,
                                        NewBlock(0, tool, u"", e.model, e.kind));
            if (!modelItem) return nullptr;
        }
    }

    // Serial level.
    if (e.serial && *e.serial && !text::EqualNoCase(e.serial, e.model)) {
        VKTreeItem *under = modelItem ? modelItem : toolItem;
        if (Find(tree, e.serial, under, -1)) return nullptr;
        return InsertWithBlock(tree, under, ui::kTviLast, e.label, kImageSerial,
                               NewBlock(0, tool, e.serial, e.model, e.kind));
    }
    return modelItem;
}

int InsertToolEntries(VKHWND tree, const KindRoots &roots, const char16_t *tool, const char16_t *toolsFile,
                      bool bareTool, EntryFilter filter) {
    if (!tool || !*tool) return 0;
    const int kinds = lib::ToolCategoryCount();
    const std::u16string category = Read(tool, u"Category", kListNameChars, toolsFile);
    const std::u16string modelsSection = ModelsSection(tool);
    auto skipped = [&](const std::u16string &section) {
        return filter.skip && filter.skip(section, filter.context);
    };
    int count = 0;

    for (int i = 1;; ++i) {
        const std::u16string serial = Read(tool, text::U16(std::to_string(i)), kListNameChars, toolsFile);
        if (serial.empty()) break;
        const std::u16string model = Read(Dash(tool, serial), u"Model", kListNameChars, toolsFile);
        std::u16string description;
        int kind = 1;
        if (!model.empty()) {
            const std::u16string modelSection = Dash(tool, model);
            description = Read(modelSection, u"Description", kDescriptionChars, toolsFile);
            kind = KindOfAvailable(Read(modelSection, u"Available", kAvailableChars, toolsFile));
        }
        if (kind > kinds || skipped(Dash(tool, serial))) continue;
        InsertToolEntry(tree, roots[kind],
                        {kind, category, tool, serial.c_str(), model, serial, description}, toolsFile);
        ++count;
    }

    for (int i = 1;; ++i) {
        const std::u16string model = Read(modelsSection, text::U16(std::to_string(i)), kListNameChars, toolsFile);
        if (model.empty()) break;
        const std::u16string modelSection = Dash(tool, model);
        const int kind = ClassifyModel(tool, model, toolsFile);
        if (kind > kinds || skipped(modelSection)) continue;
        const std::u16string description = Read(modelSection, u"Description", kDescriptionChars, toolsFile);
        InsertToolEntry(tree, roots[kind], {kind, category, tool, nullptr, model, model, description}, toolsFile);
        ++count;
    }

    if (bareTool && Read(modelsSection, u"1", kListNameChars, toolsFile).empty()) {
        InsertToolEntry(tree, roots[1], {1, category, tool, nullptr, u"", u"", u""}, toolsFile);
        ++count;
    }
    return count;
}

KindRoots FillToolTreeFrame(VKHWND tree, const char16_t *toolsFile) {
    ui::TreeDeleteAllItems(tree);
    ui::ImageList images;
    ui::ImageListAdd(images, &lib::LibraryModule(), kToolTreeBitmap);
    ui::TreeSetImageList(tree, ui::TreeImageKind::Normal, images);

    KindRoots roots{};
    VKTreeItem *previous = ui::kTviFirst;
    const int kinds = lib::ToolCategoryCount();
    for (int k = 1; k <= kinds && k <= 3; ++k) {
        const char16_t *text = LMGetString(&lib::LibraryModule(), kKindRootText[k]);
        roots[k] = InsertWithBlock(tree, ui::kTviRoot, previous, text ? text : u"", k, NewBlock(0, u"", u"", u"", k));
        if (!roots[k]) continue;
        previous = roots[k];
        RetireLegacyCategories(toolsFile);
        const std::u16string section = CategorySection(k);
        for (int i = 1;; ++i) {
            const std::u16string category = Read(section, text::U16(std::to_string(i)), kListNameChars, toolsFile);
            if (category.empty()) break;
            InsertWithBlock(tree, roots[k], ui::kTviLast, category, kImageCategory, NewBlock(1, u"", u"", u"", k));
        }
    }
    return roots;
}

void SortKindRoots(VKHWND tree, VKTreeItem *first) {
    for (VKTreeItem *root = first; root; root = ui::TreeGetNext(tree, root, TreeNext::Next))
        ui::TreeSortChildren(tree, root, true);
}

} // namespace vk::tools
