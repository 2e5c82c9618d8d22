#include "arczip32/entry_store.h"

#include "platform/fs/fs.h"

namespace vk::arc {

bool EntryStore::OpenSpill() {
    return spill_.IsOpen() || spill_.Open(vk::fs::TempDirectory());
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
    lock.unlock();
    // Each writer owns its own range of the file: no lock needed.
    if (!spill_.WriteAt(segment.spillOffset, bytes.data(), bytes.size())) return false;
    data.segments.push_back(std::move(segment));
    return true;
}

bool EntryStore::Read(const Segment &segment, uint64_t offset, void *out, size_t size) {
    if (offset + size > segment.size) return false;
    if (!segment.spilled) {
        segment.bytes.copy(static_cast<char *>(out), size, static_cast<size_t>(offset));
        return true;
    }
    return spill_.ReadAt(segment.spillOffset + offset, size, out);
}

void EntryStore::Release(Segment &segment) {
    if (segment.spilled) return;
    std::lock_guard<std::mutex> lock(mutex_);
    inMemory_ -= segment.bytes.size();
    std::string().swap(segment.bytes);
}

} // namespace vk::arc
