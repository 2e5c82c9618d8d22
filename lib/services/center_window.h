// Placement of the library's dialogs over their parent window.
#pragma once

#include "vaultkeeplib.h"

namespace vk::lib {

// Moves `window` (keeping its size, without repainting) so that it is centred
// over `reference`, then pulls it back onto the screen: a negative left or top
// becomes 0, and then a right or bottom edge beyond the work size is pulled in
// (so a window larger than the screen ends with a negative left or top).
// A null reference centres over the work area.
void CenterWindowOver(VKHWND reference, VKHWND window);

} // namespace vk::lib
