// Helpers of the tests that drive the Windows renderer through its real
// windows: pumping, clicks on real controls, the system tree item of a model
// item, and where pictures go. Windows builds only.
#pragma once

#include <string>

#include "platform/ui/treeview.h"
#include "platform/ui/win32/win32_internal.h"

namespace vk::test {

// The system window of a model window (null when it has none).
HWND SystemWindow(VKHWND w);
HWND SystemControl(VKHWND dialog, int32_t id);
// Lets the model and the system's input run for about `ms` milliseconds.
void SpinWin32(int ms);
// The control item that renders a model item, after the control caught up.
HTREEITEM ShownItem(VKHWND tree, VKTreeItem *item);
// A mouse click, as the system delivers it, on the state image (check box)
// of a tree item in the real tree-view control; false when the control's own
// hit test does not find the check box there.
bool ClickStateImage(VKHWND tree, VKTreeItem *item);
// A click on a real push button.
void ClickSystemButton(VKHWND dialog, int32_t id);
// The file for picture `name`: in $VAULTKEEP_SCREENSHOT_DIR when set, else in
// the build folder's screenshots/ folder (Wine hands no "VK_..." variable to
// Windows programs).
std::string PicturePath(const std::string &name);
// A written picture is a PNG of some size.
bool IsPicture(const std::string &path);

} // namespace vk::test
