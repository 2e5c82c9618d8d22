// A spool file: compressed entry data kept on disk between the compression
// (ArcAddFolder) and the writing of the archive (ArcFinish), so that memory
// stays small whatever the size of the archive. Each compressing thread
// appends to its own spool; the archive writer reads them back afterwards.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>

namespace vk::arc {

class Spool {
public:
    bool Create(const std::filesystem::path &path);
    bool Append(const void *data, size_t size);
    uint64_t Size() const { return size_; }
    // Makes everything appended readable.
    bool Flush();
    bool ReadAt(uint64_t offset, void *data, size_t size);

private:
    std::fstream file_;
    uint64_t size_ = 0;
    uint64_t readPos_ = UINT64_MAX; // position of the next read, when known
};

} // namespace vk::arc
