// Where the compressed data of the entries of an archive being written waits
// until the archive is written: in memory up to a budget, beyond it in one
// spill file in the temporary folder, a scratch file that nothing of
// outlives the process, whatever happens.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/fs/fs.h"

namespace vk::arc {

// Compressed data kept in memory by default: beyond this, data spills.
inline constexpr uint64_t kMemoryBudget = 32ull << 20;

// One piece of an entry's compressed data.
struct Segment {
    std::string bytes;        // the data, while it is kept in memory
    uint64_t spillOffset = 0; // where it lies in the spill file otherwise
    uint64_t size = 0;
    bool spilled = false;
};

// The raw deflate data of one entry with its CRC and sizes.
struct CompressedData {
    std::vector<Segment> segments;
    uint64_t size = 0;           // uncompressed
    uint64_t compressedSize = 0;
    uint32_t crc = 0;
};

class EntryStore {
public:
    explicit EntryStore(uint64_t memoryBudget = kMemoryBudget) : budget_(memoryBudget) {}
    EntryStore(const EntryStore &) = delete;
    EntryStore &operator=(const EntryStore &) = delete;

    // Appends `bytes` to `data` as its next segment: in memory while the
    // budget allows, else in the spill file. Thread-safe. False when the
    // spill file cannot be made or written.
    bool Keep(CompressedData &data, std::string &&bytes);
    // Reads `size` bytes at `offset` of a segment.
    bool Read(const Segment &segment, uint64_t offset, void *out, size_t size);
    // Gives the memory of a segment back once it has been written out.
    void Release(Segment &segment);
    uint64_t SpilledBytes() const { return spillSize_; }

private:
    bool OpenSpill();

    std::mutex mutex_;
    uint64_t budget_;
    uint64_t inMemory_ = 0;
    vk::fs::ScratchFile spill_;
    uint64_t spillSize_ = 0;
};

} // namespace vk::arc
