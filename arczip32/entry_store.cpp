#include "arczip32/entry_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/fs/fs.h"
#include "platform/text/text.h"

namespace vk::arc {

EntryStore::~EntryStore() {
    if (fd_ >= 0) ::close(fd_);
}

bool EntryStore::OpenSpill() {
    if (fd_ >= 0) return true;
    std::string pattern = vk::text::NativePath(vk::fs::TempDirectory()) + "arczip-spill-XXXXXX";
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0) return false;
    ::unlink(pattern.c_str()); // lives only as long as the descriptor
    return true;
}

bool EntryStore::Keep(CompressedData &data, std::string &&bytes) {
    Segment segment;
    segment.size = bytes.size();
    std::unique_lock<std::mutex> lock(mutex_);
    if (inMemory_ + bytes.size() <= budget_) {
        inMemory_ += bytes.size();
        segment.bytes = std::move(bytes);
        lock.unlock();
        data.segments.push_back(std::move(segment));
        return true;
    }
    if (!OpenSpill()) return false;
    segment.spilled = true;
    segment.spillOffset = spillSize_;
    spillSize_ += bytes.size();
    const int fd = fd_;
    lock.unlock();
    // Each writer owns its own range of the file: no lock needed.
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(segment.spillOffset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    data.segments.push_back(std::move(segment));
    return true;
}

bool EntryStore::Read(const Segment &segment, uint64_t offset, void *out, size_t size) {
    if (offset + size > segment.size) return false;
    if (!segment.spilled) {
        segment.bytes.copy(static_cast<char *>(out), size, static_cast<size_t>(offset));
        return true;
    }
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd_, static_cast<char *>(out) + done, size - done,
                                  static_cast<off_t>(segment.spillOffset + offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void EntryStore::Release(Segment &segment) {
    if (segment.spilled) return;
    std::lock_guard<std::mutex> lock(mutex_);
    inMemory_ -= segment.bytes.size();
    std::string().swap(segment.bytes);
}

} // namespace vk::arc
