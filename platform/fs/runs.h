// What run tags (leftovers.cpp) ask of the system about processes, one file
// per system: leftovers_posix.cpp, leftovers_win.cpp.
#pragma once

namespace vk::fs::runs {

long CurrentProcessId();
// False only when no process has the id now.
bool ProcessExists(long pid);
// When the process started, in the system's own unit (clock ticks after boot
// on Linux, a file time on Windows); 0 when it cannot be read.
unsigned long long ProcessStartTime(long pid);

} // namespace vk::fs::runs
