// The program's bitmaps: the six images of the selection tree, drawn here as
// 16 by 16 ARGB pixels and added to the program's resource module.
#pragma once

#include <cstdint>

struct VKModule;

namespace vk::app {

inline constexpr int32_t kBitmapFolder = 129;     // closed folder
inline constexpr int32_t kBitmapFile = 130;       // file
inline constexpr int32_t kBitmapOpenFolder = 131; // open folder
inline constexpr int32_t kBitmapUnchecked = 133;  // check box, empty
inline constexpr int32_t kBitmapChecked = 134;    // check box, ticked
inline constexpr int32_t kBitmapPartly = 135;     // check box, partly checked

// Adds the bitmaps to the module (those it already has are kept).
void AddAppImages(VKModule &module);

} // namespace vk::app
