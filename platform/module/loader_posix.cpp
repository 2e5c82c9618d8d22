// Loading shared objects with dlopen.
#include "platform/module/loader.h"

#include <dlfcn.h>

#include <utility>

#include "platform/text/text.h"

namespace vk::module {

bool Library::Open(std::u16string_view path) {
    Close();
    error_.clear();
    if (path.empty()) {
        error_ = "empty library name";
        return false;
    }
    const std::string native = vk::text::ToUtf8(path);
    handle_ = ::dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char *e = ::dlerror();
        error_ = e ? e : "cannot load " + native;
        return false;
    }
    return true;
}

void Library::Close() {
    if (handle_) {
        ::dlclose(handle_);
        handle_ = nullptr;
    }
}

void *Library::Symbol(const char *name) const {
    if (!handle_ || !name) return nullptr;
    ::dlerror();
    void *p = ::dlsym(handle_, name);
    if (!p) {
        const char *e = ::dlerror();
        error_ = e ? e : std::string("no symbol ") + name;
    }
    return p;
}

} // namespace vk::module
