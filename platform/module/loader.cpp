// The parts of a loaded library that do not depend on the operating system.
#include "platform/module/loader.h"

#include <utility>

namespace vk::module {

Library::~Library() { Close(); }

Library::Library(Library &&other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(std::move(other.error_)) {}

Library &Library::operator=(Library &&other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, nullptr);
        error_ = std::move(other.error_);
    }
    return *this;
}

} // namespace vk::module
