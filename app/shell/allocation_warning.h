// The program's warning for a failed memory allocation.
#pragma once

namespace vk::app {

// Makes the program's copy of the memory helpers show "Insufficient Local
// Memory" (caption: the program's name) when an allocation fails.
void InstallAllocationWarning();

} // namespace vk::app
