// A hidden window with a timer that looks at the program while a run is in
// progress (stop flag 0) and may ask the main window to close at that moment,
// as a user would.
#pragma once

#include <string>

#include "platform/ui/ui.h"

namespace vk::test {

struct RunProbe {
    bool closeDuringRun = false; // post a close request to the main window
    bool fired = false;
    std::u16string hostTitle; // the host dialog's title during the run
    bool hostVisible = false;
    bool mainVisible = true;
};

// Starts the probe (with a test clock under which its timer is due at every
// pump); the UI reset of the fixture ends it.
RunProbe &StartRunProbe(bool closeDuringRun);

} // namespace vk::test
