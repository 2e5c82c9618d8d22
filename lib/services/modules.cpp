// Module handles: the library's own module and string modules of programs.
#include <mutex>
#include <set>

#include "lib/resources/library_module.h"
#include "platform/text/text.h"

namespace {

// Modules made by VKCreateStringModule and not yet freed.
std::mutex g_modulesLock;
std::set<VKModule *> g_modules;

} // namespace

VKHMODULE VKGetLibraryModule(void) { return &vk::lib::LibraryModule(); }

VKHMODULE VKCreateStringModule(const VKStringEntry *entries, size_t count) {
    if (!entries && count) return nullptr;
    auto *module = new (std::nothrow) VKModule;
    if (!module) return nullptr;
    try {
        for (size_t i = 0; i < count; ++i) module->strings.emplace(entries[i].id, vk::text::View(entries[i].text));
        const std::lock_guard<std::mutex> lock(g_modulesLock);
        g_modules.insert(module);
    } catch (...) {
        delete module;
        return nullptr;
    }
    return module;
}

void VKFreeModule(VKHMODULE module) {
    if (!module) return;
    {
        // Only modules made here are freed: never the library's own, never twice.
        const std::lock_guard<std::mutex> lock(g_modulesLock);
        if (g_modules.erase(module) == 0) return;
    }
    delete module;
}
