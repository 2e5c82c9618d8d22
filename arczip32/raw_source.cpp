#include "arczip32/raw_source.h"

#include <algorithm>
#include <cerrno>

namespace vk::arc {

namespace {

struct RawData {
    EntryStore *store = nullptr;
    const CompressedData *data = nullptr;
    time_t mtime = 0;
    size_t segment = 0;    // segment being read
    uint64_t within = 0;   // position inside it
    zip_error_t error{};
};

zip_int64_t RawCallback(void *userdata, void *data, zip_uint64_t length, zip_source_cmd_t command) {
    RawData *raw = static_cast<RawData *>(userdata);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        raw->segment = 0;
        raw->within = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const std::vector<Segment> &segments = raw->data->segments;
        while (raw->segment < segments.size() && raw->within == segments[raw->segment].size) {
            ++raw->segment;
            raw->within = 0;
        }
        if (raw->segment == segments.size()) return 0;
        const Segment &segment = segments[raw->segment];
        const uint64_t n = std::min<uint64_t>(segment.size - raw->within, length);
        if (!raw->store->Read(segment, raw->within, data, static_cast<size_t>(n))) {
            zip_error_set(&raw->error, ZIP_ER_READ, EIO);
            return -1;
        }
        raw->within += n;
        return static_cast<zip_int64_t>(n);
    }
    case ZIP_SOURCE_CLOSE:
        return 0;
    case ZIP_SOURCE_STAT: {
        zip_stat_t *st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, length, &raw->error);
        if (st == nullptr) return -1;
        zip_stat_init(st);
        st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC | ZIP_STAT_MTIME |
                    ZIP_STAT_ENCRYPTION_METHOD;
        st->size = raw->data->size;
        st->comp_size = raw->data->compressedSize;
        st->comp_method = ZIP_CM_DEFLATE;
        st->crc = raw->data->crc;
        st->mtime = raw->mtime;
        st->encryption_method = ZIP_EM_NONE;
        return sizeof(*st);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&raw->error, data, length);
    case ZIP_SOURCE_FREE:
        zip_error_fini(&raw->error);
        delete raw;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return ZIP_SOURCE_SUPPORTS_READABLE;
    default:
        zip_error_set(&raw->error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

} // namespace

zip_source_t *MakeRawDeflateSource(zip_t *za, EntryStore &store, const CompressedData &data, time_t mtime) {
    RawData *raw = new RawData;
    raw->store = &store;
    raw->data = &data;
    raw->mtime = mtime;
    zip_error_init(&raw->error);
    zip_source_t *source = zip_source_function(za, RawCallback, raw);
    if (source == nullptr) {
        zip_error_fini(&raw->error);
        delete raw;
    }
    return source;
}

} // namespace vk::arc
