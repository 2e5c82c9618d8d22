// Checking the data of an archive's file entries without writing anything:
// each entry is inflated and its CRC compared, on every core, with one
// reading handle of the archive per thread.
#pragma once

#include <zip.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace vk::arc {

// The entries to check: index and declared size (UINT64_MAX when unknown).
struct EntryToCheck {
    zip_uint64_t index = 0;
    uint64_t declaredSize = 0;
};

// Checks every entry of `entries` of the archive at `archive` (`za` is the
// caller's open handle, used by the calling thread). The result holds true
// for each entry whose data inflates to its declared size and CRC. `stop`
// ends the check early (the result is then incomplete); `bytesDone` counts
// the inflated bytes as they come.
std::vector<bool> CheckEntries(zip_t *za, const std::u16string &archive, const std::vector<EntryToCheck> &entries,
                               const std::atomic<bool> &stop, std::atomic<uint64_t> &bytesDone);

} // namespace vk::arc
