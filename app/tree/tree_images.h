// The image lists of the selection tree.
#pragma once

#include "vaultkeeplib.h"

namespace vk::app {

// Gives the tree its normal images (0 closed folder, 1 open folder, 2 file:
// bitmaps 129, 131, 130) and its state images (1 unchecked, 2 checked,
// 3 partly checked: bitmaps 133, 134, 135; index 0, never shown, is a second
// copy of 133) from `module`. False, with the tree's lists unchanged, when
// fewer than three normal or four state images could be loaded.
bool SetTreeImages(VKHWND tree, VKHMODULE module);

} // namespace vk::app
