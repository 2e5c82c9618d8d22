// Parallel compression of the files of one ArcAddFolder call.
//
// The files are grouped into batches in archive order: small files together
// (up to kBatchBytes or kBatchFiles), a large file alone, so that handing
// work to a thread costs little against the work itself. Worker threads take
// the next batch, deflate each file (raw deflate, level 6, as a ZIP entry
// stores it) into their own spool file and record the entry's CRC and sizes.
// The calling thread waits for the batches in order and hands each finished
// entry to the archive; it alone talks to libzip and to the caller.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "arczip32/folder_scan.h"
#include "arczip32/spool.h"

namespace vk::arc {

inline constexpr uint64_t kBatchBytes = 1u << 20;
inline constexpr size_t kBatchFiles = 256;
inline constexpr int kDeflateLevel = 6;

// Where the compressed data of one entry lies.
struct CompressedEntry {
    Spool *spool = nullptr;
    uint64_t offset = 0;
    uint64_t compressedSize = 0;
    uint64_t size = 0;
    uint32_t crc = 0;
};

struct Batch {
    size_t first = 0;
    size_t end = 0;
    bool done = false;
    bool ok = true;
};

class DeflatePool {
public:
    DeflatePool() = default;
    ~DeflatePool() { Stop(); }
    DeflatePool(const DeflatePool &) = delete;
    DeflatePool &operator=(const DeflatePool &) = delete;

    // Starts compressing the files among `items` (folders need no work).
    // Spool files are created in `spoolFolder` and handed to `spools`, which
    // must outlive the archive that reads them. `results` gets one record
    // per item. Returns false when no worker or spool could be started.
    bool Start(const std::vector<SourceItem> &items, std::vector<CompressedEntry> &results,
               const std::filesystem::path &spoolFolder, std::vector<std::unique_ptr<Spool>> &spools);
    size_t BatchCount() const { return batches_.size(); }
    // Waits at most `wait` for batch `index`; returns it once done, else null.
    const Batch *WaitFor(size_t index, std::chrono::milliseconds wait);
    uint64_t BytesDone() const { return bytesDone_.load(std::memory_order_relaxed); }
    // Asks the workers to stop after their current block and joins them.
    void Stop();

private:
    void Work(Spool &spool);

    const std::vector<SourceItem> *items_ = nullptr;
    std::vector<CompressedEntry> *results_ = nullptr;
    std::vector<Batch> batches_;
    std::vector<std::thread> threads_;
    std::atomic<size_t> nextBatch_{0};
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> bytesDone_{0};
    std::mutex mutex_;
    std::condition_variable doneSignal_;
};

// Number of compressing threads for this machine.
unsigned WorkerCount();

} // namespace vk::arc
