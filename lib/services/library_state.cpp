#include "lib/services/library_state.h"

namespace vk::lib {

void AttachLibrary() {}
void DetachLibrary() {}

} // namespace vk::lib
