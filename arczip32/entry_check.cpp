#include "arczip32/entry_check.h"

#include <algorithm>
#include <thread>

#include "platform/text/text.h"

namespace vk::arc {

namespace {

constexpr size_t kCheckBlock = 256 * 1024;

// True when the entry's data inflates to no more than its declared size and
// libzip finds its CRC right (zip_fread fails at the end otherwise).
bool EntrySound(zip_t *za, const EntryToCheck &entry, std::vector<unsigned char> &buffer, const std::atomic<bool> &stop,
                std::atomic<uint64_t> &bytesDone) {
    zip_file_t *file = zip_fopen_index(za, entry.index, 0);
    if (file == nullptr) return false;
    uint64_t read = 0;
    bool sound = true;
    for (;;) {
        if (stop.load(std::memory_order_relaxed)) break;
        const zip_int64_t n = zip_fread(file, buffer.data(), buffer.size());
        if (n < 0) {
            sound = false;
            break;
        }
        if (n == 0) break;
        read += static_cast<uint64_t>(n);
        bytesDone.fetch_add(static_cast<uint64_t>(n), std::memory_order_relaxed);
        if (read > entry.declaredSize) {
            sound = false;
            break;
        }
    }
    zip_fclose(file);
    return sound;
}

} // namespace

std::vector<bool> CheckEntries(zip_t *za, const std::u16string &archive, const std::vector<EntryToCheck> &entries,
                               const std::atomic<bool> &stop, std::atomic<uint64_t> &bytesDone) {
    // std::vector<bool> packs bits: each thread writes whole bytes instead.
    std::vector<unsigned char> sound(entries.size(), 0);
    std::atomic<size_t> next{0};
    auto work = [&](zip_t *handle) {
        std::vector<unsigned char> buffer(kCheckBlock);
        for (size_t at = next.fetch_add(1); at < entries.size() && !stop.load(std::memory_order_relaxed);
             at = next.fetch_add(1))
            sound[at] = EntrySound(handle, entries[at], buffer, stop, bytesDone) ? 1 : 0;
    };

    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t helpers = std::min<size_t>(std::min(cores, 8u) - 1, entries.size() / 8);
    std::vector<zip_t *> handles;
    std::vector<std::thread> threads;
    const std::string path = vk::text::NativePath(archive);
    for (size_t h = 0; h < helpers; ++h) {
        int error = 0;
        zip_t *handle = zip_open(path.c_str(), ZIP_RDONLY, &error);
        if (handle == nullptr) break; // the calling thread does the rest
        handles.push_back(handle);
        try {
            threads.emplace_back(work, handle);
        } catch (...) {
            break;
        }
    }
    work(za);
    for (std::thread &t : threads) t.join();
    for (zip_t *handle : handles) zip_discard(handle);
    return std::vector<bool>(sound.begin(), sound.end());
}

} // namespace vk::arc
