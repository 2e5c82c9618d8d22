#include "arczip32/deflate_pool.h"

#include <zlib.h>

#include <algorithm>
#include <fstream>

namespace vk::arc {

namespace {

constexpr size_t kBlock = 256 * 1024;

// One raw-deflate stream, reused for every file of a worker.
class Deflater {
public:
    Deflater() { ok_ = deflateInit2(&z_, kDeflateLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK; }
    ~Deflater() {
        if (ok_) deflateEnd(&z_);
    }
    Deflater(const Deflater &) = delete;
    Deflater &operator=(const Deflater &) = delete;
    bool ok() const { return ok_; }
    z_stream &stream() { return z_; }

private:
    z_stream z_{};
    bool ok_ = false;
};

struct Buffers {
    std::vector<unsigned char> in = std::vector<unsigned char>(kBlock);
    std::vector<unsigned char> out = std::vector<unsigned char>(kBlock + kBlock / 8 + 64);
};

// Deflates one file into the spool. False on a read or spool error, or
// when asked to stop.
bool CompressFile(const SourceItem &item, Deflater &deflater, Buffers &buffers, Spool &spool,
                  CompressedEntry &entry, const std::atomic<bool> &stop, std::atomic<uint64_t> &bytesDone) {
    std::ifstream file(item.path, std::ios::binary);
    if (!file.is_open()) return false;
    z_stream &z = deflater.stream();
    if (deflateReset(&z) != Z_OK) return false;
    entry.spool = &spool;
    entry.offset = spool.Size();
    entry.size = 0;
    uLong crc = crc32(0L, Z_NULL, 0);
    bool finished = false;
    while (!finished) {
        if (stop.load(std::memory_order_relaxed)) return false;
        file.read(reinterpret_cast<char *>(buffers.in.data()), static_cast<std::streamsize>(buffers.in.size()));
        const size_t got = static_cast<size_t>(file.gcount());
        if (file.bad()) return false;
        finished = file.eof();
        crc = crc32(crc, buffers.in.data(), static_cast<uInt>(got));
        entry.size += got;
        z.next_in = buffers.in.data();
        z.avail_in = static_cast<uInt>(got);
        const int flush = finished ? Z_FINISH : Z_NO_FLUSH;
        int rc = Z_OK;
        do {
            z.next_out = buffers.out.data();
            z.avail_out = static_cast<uInt>(buffers.out.size());
            rc = deflate(&z, flush);
            if (rc == Z_STREAM_ERROR) return false;
            const size_t have = buffers.out.size() - z.avail_out;
            if (!spool.Append(buffers.out.data(), have)) return false;
        } while (z.avail_out == 0);
        if (finished && rc != Z_STREAM_END) return false;
        bytesDone.fetch_add(got, std::memory_order_relaxed);
    }
    entry.crc = static_cast<uint32_t>(crc);
    entry.compressedSize = spool.Size() - entry.offset;
    return true;
}

} // namespace

unsigned WorkerCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(cores == 0 ? 2u : cores, 1u, 8u);
}

bool DeflatePool::Start(const std::vector<SourceItem> &items, std::vector<CompressedEntry> &results,
                        const std::filesystem::path &spoolFolder, std::vector<std::unique_ptr<Spool>> &spools) {
    items_ = &items;
    results_ = &results;
    results.assign(items.size(), CompressedEntry{});
    batches_.clear();
    Batch current;
    uint64_t bytes = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        const uint64_t size = items[i].directory ? 0 : items[i].size;
        if (current.end > current.first && (bytes + size > kBatchBytes || current.end - current.first >= kBatchFiles)) {
            batches_.push_back(current);
            current = Batch{i, i};
            bytes = 0;
        }
        current.end = i + 1;
        bytes += size;
    }
    if (current.end > current.first) batches_.push_back(current);

    const size_t workers = std::min<size_t>(WorkerCount(), std::max<size_t>(batches_.size(), 1));
    for (size_t w = 0; w < workers; ++w) {
        auto spool = std::make_unique<Spool>();
        const auto name = "spool-" + std::to_string(spools.size()) + ".bin";
        if (!spool->Create(spoolFolder / name)) {
            Stop();
            return false;
        }
        Spool &ref = *spool;
        spools.push_back(std::move(spool));
        threads_.emplace_back([this, &ref] { Work(ref); });
    }
    return true;
}

void DeflatePool::Work(Spool &spool) {
    Deflater deflater;
    Buffers buffers;
    for (;;) {
        const size_t index = nextBatch_.fetch_add(1);
        if (index >= batches_.size() || stop_.load()) return;
        const Batch range = batches_[index];
        bool ok = deflater.ok();
        for (size_t i = range.first; ok && i < range.end; ++i) {
            if ((*items_)[i].directory) continue;
            ok = CompressFile((*items_)[i], deflater, buffers, spool, (*results_)[i], stop_, bytesDone_);
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            batches_[index].ok = ok;
            batches_[index].done = true;
        }
        doneSignal_.notify_all();
        if (!ok) return; // the caller gives the whole call up
    }
}

const Batch *DeflatePool::WaitFor(size_t index, std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!doneSignal_.wait_for(lock, wait, [&] { return batches_[index].done; })) return nullptr;
    return &batches_[index];
}

void DeflatePool::Stop() {
    stop_.store(true);
    for (std::thread &t : threads_) {
        if (t.joinable()) t.join();
    }
    threads_.clear();
}

} // namespace vk::arc
