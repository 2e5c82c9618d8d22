#include "app/shell/display.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/process/process.h"
#include "platform/ui/renderer.h"
#include "platform/ui/ui.h"

namespace vk::app {

bool DisplayNamed() {
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    return process::DisplayPresent() || (platform && *platform);
}

bool InstallDisplayBackend() {
    if (!DisplayNamed()) return false;
    std::string error;
    if (ui::InstallRenderer(&error)) return true;
    if (!error.empty())
        std::fprintf(stderr, "vaultkeep: the window renderer cannot be loaded (%s); going on without a display\n",
                     error.c_str());
    return false;
}

void ShutdownDisplayBackend() { ui::ShutdownRenderer(); }

} // namespace vk::app
