#include "app/shell/display.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/fs/fs.h"
#include "platform/module/loader.h"
#include "platform/process/process.h"
#include "platform/text/text.h"
#include "platform/ui/ui.h"

namespace vk::app {
namespace {

constexpr char16_t kRendererFile[] = u"libvkui_qt.so";
using InstallEntry = int (*)();
using ShutdownEntry = void (*)();

// The renderer stays loaded until the process ends: the windows' widgets and
// the backend live in it.
module::Library &Renderer() {
    static module::Library *renderer = new module::Library;
    return *renderer;
}

} // namespace

bool DisplayNamed() {
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    return process::DisplayPresent() || (platform && *platform);
}

bool InstallDisplayBackend() {
    if (!DisplayNamed()) return false;
    module::Library &renderer = Renderer();
    if (!renderer.IsOpen() && !renderer.Open(fs::ProgramFolder() + kRendererFile)) {
        std::fprintf(stderr, "vaultkeep: the window renderer cannot be loaded (%s); going on without a display\n",
                     renderer.ErrorText().c_str());
        return false;
    }
    const auto install = renderer.Function<InstallEntry>("vkui_qt_install");
    if (!install) {
        std::fprintf(stderr, "vaultkeep: %s; going on without a display\n", renderer.ErrorText().c_str());
        return false;
    }
    // 0: no display can be reached after all; the backend stays headless.
    return install() != 0 && ui::HasDisplay();
}

void ShutdownDisplayBackend() {
    module::Library &renderer = Renderer();
    if (!renderer.IsOpen()) return;
    if (const auto shutdown = renderer.Function<ShutdownEntry>("vkui_qt_shutdown")) shutdown();
}

} // namespace vk::app
