#include "app/shell/app_state.h"

#include <memory>

#include "app/shell/app_module.h"

namespace vk::app {
namespace {

std::unique_ptr<AppState> &Slot() {
    static std::unique_ptr<AppState> state = std::make_unique<AppState>();
    return state;
}

} // namespace

AppState &State() { return *Slot(); }

void ResetState() { Slot() = std::make_unique<AppState>(); }

const char16_t *AppText(uint32_t id) {
    VKHMODULE module = State().instance ? State().instance : AppModule();
    return LMGetString(module, id);
}

} // namespace vk::app
