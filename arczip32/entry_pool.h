// The entries of an archive being written, and the threads that deflate them.
//
// Entries are kept in archive order. A file entry's data is handed over when
// the caller adds it (read at that moment, once) and deflated by a pool of
// threads, one per processor core (raw deflate, level 6, as a ZIP entry stores
// it); its compressed data waits in the EntryStore until the archive is
// written. The waiting input is bounded: adding blocks while more than
// kQueueBytes of read data wait for a thread, so memory stays small whatever
// the number and size of the files.
#pragma once

#include <zip.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "arczip32/entry_store.h"
#include "platform/fs/fs.h"

namespace vk::arc {

inline constexpr int kDeflateLevel = 6;
// Read data waiting for a compressing thread, at most.
inline constexpr uint64_t kQueueBytes = 16ull << 20;

// One entry of the archive being written.
struct PendingEntry {
    enum class Kind { Folder, Compressed, Copied };
    Kind kind = Kind::Compressed;
    std::string name;          // UTF-8, '/'-separated; a folder without its final '/'
    std::u16string eventName;  // the name for the events (a folder with its final '/')
    int64_t mtime = 0;         // Unix seconds
    uint32_t attributes = 0;   // ZIP external attributes
    uint64_t size = 0;         // uncompressed bytes (progress)
    // Compressed: the data and its state (done and ok are guarded by the pool).
    CompressedData data;
    bool done = false;
    bool ok = true;
    // Copied: the entry of another archive, stored as it is there.
    zip_t *from = nullptr;
    zip_uint64_t fromIndex = 0;
    bool announced = false;    // its event was sent
};

// Deflates the rest of `file` (streamed, block by block) into `data`.
// `stop` (may be null) ends it early with false.
bool DeflateStream(vk::fs::File &file, EntryStore &store, CompressedData &data, const std::atomic<bool> *stop,
                   std::atomic<uint64_t> *bytesDone);

class EntryPool {
public:
    explicit EntryPool(EntryStore &store) : store_(store) {}
    ~EntryPool() { Stop(); }
    EntryPool(const EntryPool &) = delete;
    EntryPool &operator=(const EntryPool &) = delete;

    // Queues the deflating of `input` (read data) or, when `input` is empty
    // and `path` is given, of the file at `path` (read by the thread) into
    // `entry`. Blocks while the queue is full; false when `cancelled` says
    // so while waiting, or when no thread could be started.
    template <typename Cancelled>
    bool Submit(PendingEntry &entry, std::string &&input, std::filesystem::path path, Cancelled cancelled) {
        std::unique_lock<std::mutex> lock(mutex_);
        while (queuedBytes_ > 0 && queuedBytes_ + input.size() > kQueueBytes) {
            if (cancelled()) return false;
            changed_.wait_for(lock, std::chrono::milliseconds(50));
        }
        return Queue(lock, entry, std::move(input), std::move(path));
    }
    // Waits at most `wait` for `entry`; true once it is done.
    bool WaitFor(const PendingEntry &entry, std::chrono::milliseconds wait);
    uint64_t BytesDone() const { return bytesDone_.load(std::memory_order_relaxed); }
    // Asks the threads to stop after their current block and joins them.
    void Stop();

private:
    struct Work {
        PendingEntry *entry = nullptr;
        std::string input;
        std::filesystem::path path;
    };
    bool Queue(std::unique_lock<std::mutex> &lock, PendingEntry &entry, std::string &&input,
               std::filesystem::path path);
    void Run();
    bool Compress(Work &work);

    EntryStore &store_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Work> queue_;
    uint64_t queuedBytes_ = 0;
    std::vector<std::thread> threads_;
    bool stopping_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> bytesDone_{0};
};

// Number of compressing threads for this machine.
unsigned WorkerCount();

} // namespace vk::arc
