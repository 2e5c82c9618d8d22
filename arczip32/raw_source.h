// A libzip source that hands already deflated data to the archive.
//
// Its stat reports the deflate method with the CRC, the uncompressed size
// and the compressed size, so libzip copies the bytes as they are instead of
// compressing them again (libzip 1.7.3, add_data in zip_close.c: the data is
// only recompressed when the source's method differs from the entry's, and
// an entry added with the default method takes the source's method).
#pragma once

#include <zip.h>

#include <cstdint>
#include <ctime>

#include "arczip32/entry_store.h"

namespace vk::arc {

// Null on failure (libzip's error in `za`).
// `data` and `store` must outlive the archive that reads them.
zip_source_t *MakeRawDeflateSource(zip_t *za, EntryStore &store, const CompressedData &data, time_t mtime);

} // namespace vk::arc
