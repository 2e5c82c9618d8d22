// The steps every run shares: the status line and bar of the host dialog,
// the busy cursor, run start and run end, and the message pump between items.
#pragma once

#include <string_view>

namespace vk::app {

// Writes the status line (control 1015) of the host dialog.
void SetStatus(std::u16string_view text);
// Sets the progress bar in use (0 to 100).
void SetProgress(int position);

// Busy cursor on and off: the wait cursor while a run works.
void BusyCursor(bool on);

// Run start: keep-open flag 0, stop flag 0, Begin disabled, busy cursor.
void RunStart();
// Run end: stop flag 1, Begin enabled, the previous cursor.
void RunEnd();

// Lets every waiting window message through (between the items of a run and
// inside the progress procedures): the windows stay painted and a close
// request can arrive.
void PumpWaitingMessages();

} // namespace vk::app
