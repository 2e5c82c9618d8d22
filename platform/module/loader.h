// Dynamic libraries loaded at run time (the host's acquisition modules).
#pragma once

#include <string>
#include <string_view>

namespace vk::module {

// A loaded library; unloaded when the object goes.
class Library {
public:
    Library() = default;
    ~Library();
    Library(Library &&other) noexcept;
    Library &operator=(Library &&other) noexcept;
    Library(const Library &) = delete;
    Library &operator=(const Library &) = delete;

    // Loads the library at `path` (any file name; an ELF shared object).
    // False, with ErrorText() set, when it cannot be loaded.
    bool Open(std::u16string_view path);
    void Close();
    bool IsOpen() const { return handle_ != nullptr; }
    // Address of an exported symbol, or null.
    void *Symbol(const char *name) const;
    // Why the last Open or Symbol failed.
    const std::string &ErrorText() const { return error_; }

    template <typename F>
    F Function(const char *name) const {
        return reinterpret_cast<F>(Symbol(name));
    }

private:
    void *handle_ = nullptr;
    mutable std::string error_;
};

} // namespace vk::module
