#include "platform/ui/renderer.h"

#include "platform/fs/fs.h"
#include "platform/module/loader.h"

#ifndef VK_RENDERER_FILE
#error "the build names the window renderer (VK_RENDERER_FILE, VK_RENDERER_ENTRY)"
#endif

namespace vk::ui {

namespace {

module::Library &Renderer() {
    // Never closed: the windows and the backend live in it until the process ends.
    static auto *renderer = new module::Library;
    return *renderer;
}

template <typename F>
F Entry(const char *suffix) {
    return Renderer().Function<F>((std::string(VK_RENDERER_ENTRY) + suffix).c_str());
}

} // namespace

std::u16string RendererFile() { return VK_RENDERER_FILE; }

bool InstallRenderer(std::string *error) {
    module::Library &renderer = Renderer();
    if (!renderer.IsOpen() && !renderer.Open(fs::ProgramFolder() + RendererFile())) {
        if (error) *error = renderer.ErrorText();
        return false;
    }
    const auto install = Entry<int (*)()>("_install");
    if (!install) {
        if (error) *error = renderer.ErrorText();
        return false;
    }
    // 0: no display can be reached after all; the backend stays headless.
    return install() != 0 && HasDisplay();
}

void ShutdownRenderer() {
    if (!Renderer().IsOpen()) return;
    if (const auto shutdown = Entry<void (*)()>("_shutdown")) shutdown();
}

bool SaveWindowPicture(VKHWND window, const std::string &pngPath) {
    if (!Renderer().IsOpen()) return false;
    const auto save = Entry<int (*)(VKHWND, const char *)>("_save_screenshot");
    return save && save(window, pngPath.c_str()) == 1;
}

} // namespace vk::ui
