#include "arczip32/entry_pool.h"

#include <zlib.h>

#include <algorithm>

#include "platform/text/text.h"

namespace vk::arc {

namespace {

constexpr size_t kBlock = 256 * 1024;
// Compressed data is handed to the store in pieces of about this size.
constexpr size_t kSegmentBytes = 1u << 20;

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

// Deflates the blocks `next` gives (false from `next` = read error; an empty
// block = end) into `data`.
template <typename Next>
bool Deflate(Next next, EntryStore &store, CompressedData &data, const std::atomic<bool> *stop,
             std::atomic<uint64_t> *bytesDone) {
    thread_local Deflater deflater;
    if (!deflater.ok()) return false;
    z_stream &z = deflater.stream();
    if (deflateReset(&z) != Z_OK) return false;
    data = CompressedData{};
    uLong crc = crc32(0L, Z_NULL, 0);
    std::string out;
    bool finished = false;
    while (!finished) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) return false;
        const unsigned char *block = nullptr;
        size_t got = 0;
        if (!next(block, got)) return false;
        finished = got == 0;
        crc = crc32(crc, block, static_cast<uInt>(got));
        data.size += got;
        z.next_in = const_cast<unsigned char *>(block);
        z.avail_in = static_cast<uInt>(got);
        int rc = Z_OK;
        do {
            const size_t before = out.size();
            const size_t room = std::max<size_t>(got / 2 + 1024, 64 * 1024);
            out.resize(before + room);
            z.next_out = reinterpret_cast<unsigned char *>(out.data() + before);
            z.avail_out = static_cast<uInt>(room);
            rc = deflate(&z, finished ? Z_FINISH : Z_NO_FLUSH);
            if (rc == Z_STREAM_ERROR) return false;
            out.resize(before + room - z.avail_out);
        } while (z.avail_out == 0);
        if (finished && rc != Z_STREAM_END) return false;
        if (out.size() >= kSegmentBytes) {
            data.compressedSize += out.size();
            // The store counts the bytes it keeps: no spare room kept with them.
            out.shrink_to_fit();
            if (!store.Keep(data, std::move(out))) return false;
            out = std::string();
        }
        if (bytesDone != nullptr) bytesDone->fetch_add(got, std::memory_order_relaxed);
    }
    data.compressedSize += out.size();
    out.shrink_to_fit(); // kept until the archive is written: no spare room per entry
    if (!out.empty() && !store.Keep(data, std::move(out))) return false;
    data.crc = static_cast<uint32_t>(crc);
    return true;
}

} // namespace

bool DeflateStream(vk::fs::File &file, EntryStore &store, CompressedData &data, const std::atomic<bool> *stop,
                   std::atomic<uint64_t> *bytesDone) {
    std::vector<unsigned char> buffer(kBlock);
    auto next = [&](const unsigned char *&block, size_t &got) {
        const int64_t n = file.Read(buffer.data(), buffer.size());
        if (n < 0) return false;
        block = buffer.data();
        got = static_cast<size_t>(n);
        return true;
    };
    return Deflate(next, store, data, stop, bytesDone);
}

unsigned WorkerCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(cores == 0 ? 2u : cores, 1u, 8u);
}

bool EntryPool::Queue(std::unique_lock<std::mutex> &lock, PendingEntry &entry, std::string &&input,
                      std::filesystem::path path) {
    if (stopping_) return false;
    if (threads_.empty()) {
        const unsigned workers = WorkerCount();
        try {
            for (unsigned w = 0; w < workers; ++w) threads_.emplace_back([this] { Run(); });
        } catch (...) {
            if (threads_.empty()) return false;
        }
    }
    entry.done = false;
    entry.ok = true;
    queuedBytes_ += input.size();
    queue_.push_back(Work{&entry, std::move(input), std::move(path)});
    lock.unlock();
    changed_.notify_all();
    return true;
}

bool EntryPool::Compress(Work &work) {
    PendingEntry &entry = *work.entry;
    if (!work.path.empty()) {
        const std::u8string name = work.path.u8string();
        vk::fs::File file;
        if (!file.Open(vk::text::FromUtf8(std::string_view(reinterpret_cast<const char *>(name.data()), name.size()))))
            return false;
        return DeflateStream(file, store_, entry.data, &stop_, &bytesDone_);
    }
    size_t at = 0;
    auto next = [&](const unsigned char *&block, size_t &got) {
        block = reinterpret_cast<const unsigned char *>(work.input.data() + at);
        got = std::min(kBlock, work.input.size() - at);
        at += got;
        return true;
    };
    return Deflate(next, store_, entry.data, &stop_, &bytesDone_);
}

void EntryPool::Run() {
    for (;;) {
        Work work;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            work = std::move(queue_.front());
            queue_.pop_front();
        }
        const bool ok = Compress(work);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queuedBytes_ -= work.input.size();
            work.entry->ok = ok;
            work.entry->done = true;
        }
        changed_.notify_all();
    }
}

bool EntryPool::WaitFor(const PendingEntry &entry, std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, wait, [&] { return entry.done; });
}

void EntryPool::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    stop_.store(true);
    changed_.notify_all();
    for (std::thread &t : threads_) {
        if (t.joinable()) t.join();
    }
    threads_.clear();
}

} // namespace vk::arc
