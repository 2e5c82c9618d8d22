// Tree windows for programs that show a tool tree through the public header:
// a frame window of the UI layer with one tree-view control, whose item
// deletions reach the program's procedure; item walks and reads; the window
// renderer when a display is present.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/string_copy.h"
#include "platform/process/process.h"
#include "platform/ui/renderer.h"
#include "platform/ui/treeview.h"

namespace {

using namespace vk::ui;

constexpr int32_t kTreeId = 112;

struct FrameData {
    VKTreeDeleteProc onDelete = nullptr;
    void *context = nullptr;
    VKHWND tree = nullptr;
    bool running = false;
};

FrameData *DataOf(VKHWND frame) { return reinterpret_cast<FrameData *>(GetUserData(frame)); }

// The part of a frame window of this size that its tree fills: the frame's
// rectangle less its caption and borders.
Rect ClientPart(int width, int height) {
    const int w = width - 2 * SystemMetric(Metric::BorderWidth);
    const int h = height - SystemMetric(Metric::CaptionHeight) - 2 * SystemMetric(Metric::BorderHeight);
    return {0, 0, w > 1 ? w : 1, h > 1 ? h : 1};
}

intptr_t FrameProc(VKHWND frame, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    FrameData *data = DataOf(frame);
    switch (msg) {
    case kMsgNotify: {
        const auto *n = reinterpret_cast<const Notify *>(lparam);
        if (data && n && n->code == kTvnDeleteItem && data->onDelete) data->onDelete(n->from, n, data->context);
        return 0;
    }
    case kMsgSize:
        if (data && IsWindow(data->tree)) {
            const Rect frameRect = GetWindowRect(frame);
            const Rect client = ClientPart(frameRect.w, frameRect.h);
            MoveWindow(data->tree, {frameRect.x, frameRect.y, client.w, client.h}, true);
        }
        return 0;
    case kMsgDestroy:
        if (data) {
            if (data->running) PostQuitMessage(0);
            SetUserData(frame, 0);
            delete data;
        }
        return 0;
    default:
        return DefWindowProc(frame, msg, wparam, lparam);
    }
}

VKHWND FrameOf(VKHWND tree) {
    if (!IsWindow(tree) || GetKind(tree) != Kind::TreeView) return nullptr;
    return GetParent(tree);
}

} // namespace

extern "C" {

VK_API int VKUseDisplay(void) {
    if (HasDisplay()) return 1;
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    if (!vk::process::DisplayPresent() && !(platform && *platform)) return 0;
    std::string error;
    if (InstallRenderer(&error)) return 1;
    if (!error.empty()) std::fprintf(stderr, "vaultkeeplib: the window renderer cannot be loaded (%s)\n", error.c_str());
    return 0;
}

VK_API void VKCloseDisplay(void) { ShutdownRenderer(); }

VK_API VKHWND VKCreateTreeWindow(const char16_t *title, int width, int height, int checkBoxes,
                                 VKTreeDeleteProc onDelete, void *context) {
    if (width <= 0 || height <= 0) return nullptr;
    VKHWND frame = CreateWindowOf(Kind::Window, nullptr, 0, title ? title : u"", {40, 40, width, height},
                                  kStyleResizable, FrameProc);
    if (!frame) return nullptr;
    auto *data = new FrameData{onDelete, context, nullptr, false};
    SetUserData(frame, reinterpret_cast<intptr_t>(data));
    const uint32_t style = kStyleVisible | (checkBoxes ? kStyleCheckBoxes : 0u);
    data->tree = CreateWindowOf(Kind::TreeView, frame, kTreeId, u"", ClientPart(width, height), style);
    if (!data->tree) {
        DestroyWindow(frame);
        return nullptr;
    }
    return data->tree;
}

VK_API int VKRunTreeWindow(VKHWND tree) {
    VKHWND frame = FrameOf(tree);
    if (!frame) return 0;
    if (!HasDisplay()) {
        DestroyWindow(frame);
        return 0;
    }
    if (FrameData *data = DataOf(frame)) data->running = true;
    ShowWindow(frame, true);
    RunMessageLoop();
    DestroyWindow(frame);
    return 0;
}

VK_API void VKDestroyTreeWindow(VKHWND tree) {
    if (VKHWND frame = FrameOf(tree)) DestroyWindow(frame);
}

VK_API VKHTREEITEM VKTreeNext(VKHWND tree, VKHTREEITEM item, int walk) {
    switch (walk) {
    case VK_TREE_ROOT: return TreeGetNext(tree, nullptr, TreeNext::Root);
    case VK_TREE_CHILD: return item ? TreeGetNext(tree, item, TreeNext::Child) : nullptr;
    case VK_TREE_NEXT: return item ? TreeGetNext(tree, item, TreeNext::Next) : nullptr;
    case VK_TREE_PREVIOUS: return item ? TreeGetNext(tree, item, TreeNext::Previous) : nullptr;
    case VK_TREE_PARENT: return item ? TreeGetNext(tree, item, TreeNext::Parent) : nullptr;
    case VK_TREE_CARET: return TreeGetSelection(tree);
    default: return nullptr;
    }
}

VK_API int VKTreeGetItem(VKHWND tree, VKHTREEITEM item, VKTreeItemInfo *info) {
    if (!info) return 0;
    TreeItemData data;
    if (!item || !TreeGetItem(tree, item, data)) return 0;
    vk::CopyBounded(info->text, sizeof info->text / sizeof info->text[0], data.text);
    info->image = data.image;
    info->selectedImage = data.selectedImage;
    info->state = data.state;
    info->param = data.param;
    info->expanded = data.expanded ? 1 : 0;
    return 1;
}

VK_API void VKTreeExpandAll(VKHWND tree) {
    // Pre-order walk over every item.
    VKTreeItem *item = TreeGetNext(tree, nullptr, TreeNext::Root);
    while (item) {
        TreeExpand(tree, item, TreeExpandCode::Expand);
        if (VKTreeItem *child = TreeGetNext(tree, item, TreeNext::Child)) {
            item = child;
            continue;
        }
        while (item && !TreeGetNext(tree, item, TreeNext::Next)) item = TreeGetNext(tree, item, TreeNext::Parent);
        if (item) item = TreeGetNext(tree, item, TreeNext::Next);
    }
}

VK_API int VKSaveWindowPicture(VKHWND window, const char *pngPath) {
    return pngPath && SaveWindowPicture(window, pngPath) ? 1 : 0;
}

} // extern "C"
