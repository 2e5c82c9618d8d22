// The window record of the UI model, for the layer itself and its backends.
//
// Code outside platform/ui sees VKHWND as an opaque handle and goes through
// ui.h; backends (headless, Qt) read this record to present a window.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/treeview.h"
#include "platform/ui/ui.h"

struct VKWindow {
    vk::ui::Kind kind = vk::ui::Kind::Window;
    int32_t id = 0;
    std::u16string text;
    uint32_t style = 0;
    // Position relative to the parent's origin for child windows, on the
    // screen for top-level windows; the model has no frame, so a window's
    // client area is its whole rectangle.
    vk::ui::Rect rect;
    VKWindow *parent = nullptr; // child windows: the window that holds it
    VKWindow *owner = nullptr;  // top-level windows: the owner
    std::vector<VKWindow *> children; // in creation (tab) order
    bool visible = false;
    bool enabled = true;
    int check = 0; // check boxes and radio buttons: 0, 1, 2
    vk::ui::Proc proc = nullptr;
    intptr_t userData = 0;
    // Dialogs.
    intptr_t dialogResult = 0;
    bool ended = false;
    bool modal = false;
    const VKModule *module = nullptr;
    int32_t templateId = 0;
    // Progress bars.
    int progressLo = 0, progressHi = 100, progressPos = 0;
    // Tab controls.
    std::vector<std::u16string> tabs;
    int tabSel = -1;
    int tabItemW = 0, tabItemH = 0;
    // Tree views.
    std::unique_ptr<vk::ui::TreeState> tree;
    bool destroying = false;
};

namespace vk::ui {

// The window behind a handle, or null when the handle names no live window.
VKWindow *Live(VKHWND w);
// The top-level window that holds w (w itself when it is top-level).
VKWindow *TopLevelOf(VKWindow *w);
bool IsChildWindow(const VKWindow *w);
// Every live top-level window, in creation order.
std::vector<VKHWND> TopLevelWindows();

// Sends kMsgNotify with `n` (from/id filled in from `control`) to the
// control's parent; returns the parent's result (0 when it has none).
intptr_t NotifyParent(VKHWND control, Notify n);

// Tree-view internals used by the window model.
void TreeDestroyItems(VKWindow *tree);

// Writes one line "[vaultkeep] ..." to standard error.
void LogLine(const std::string &line);
// Text made fit for one log line: line breaks become " / ".
std::string OneLine(std::u16string_view text);

} // namespace vk::ui
