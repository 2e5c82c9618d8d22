#include "arczip32/spool.h"

namespace vk::arc {

bool Spool::Create(const std::filesystem::path &path) {
    file_.open(path, std::ios::in | std::ios::out | std::ios::trunc | std::ios::binary);
    size_ = 0;
    readPos_ = UINT64_MAX;
    return file_.is_open();
}

bool Spool::Append(const void *data, size_t size) {
    if (size == 0) return true;
    if (readPos_ != UINT64_MAX) {
        file_.seekp(static_cast<std::streamoff>(size_));
        readPos_ = UINT64_MAX;
    }
    file_.write(static_cast<const char *>(data), static_cast<std::streamsize>(size));
    if (!file_) return false;
    size_ += size;
    return true;
}

bool Spool::Flush() {
    file_.flush();
    return static_cast<bool>(file_);
}

bool Spool::ReadAt(uint64_t offset, void *data, size_t size) {
    if (offset + size > size_) return false;
    if (readPos_ != offset) {
        file_.seekg(static_cast<std::streamoff>(offset));
        if (!file_) return false;
    }
    file_.read(static_cast<char *>(data), static_cast<std::streamsize>(size));
    if (!file_ || file_.gcount() != static_cast<std::streamsize>(size)) {
        readPos_ = UINT64_MAX;
        return false;
    }
    readPos_ = offset + size;
    return true;
}

} // namespace vk::arc
