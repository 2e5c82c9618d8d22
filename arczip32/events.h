// Delivery of archive events to the caller's callback, the caller's cancel
// flag, and the texts of the progress and summary events.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "arczip32/arczip32.h"

namespace vk::arc {

// True when the caller's cancel flag (may be null) is set.
bool CancelFlagSet(const int32_t *flag);

// The callback, context and cancel flag of one request, and the state of one
// zipping or unpacking call. Used on the calling thread only.
struct EventSink {
    ArchiveEventProc proc = nullptr;
    void *context = nullptr;
    const int32_t *cancelFlag = nullptr;
    bool stopped = false;       // the callback answered 0 or the flag was set
    uint64_t totalBytes = 0;    // uncompressed bytes of the whole call
    int lastPercent = 0;        // last percentage sent with event 3
};

EventSink SinkFromRequest(const ArchiveRequest &request);

// Sends one event unless the sink is stopped. Returns false (and stops the
// sink) when the callback answers 0 or the cancel flag is set.
bool Send(EventSink &sink, int event, intptr_t value);
bool SendText(EventSink &sink, int event, std::u16string_view text);
// Checks the cancel flag without sending anything.
bool GoOn(EventSink &sink);
// Sends event 3 when the whole percentage of `doneBytes` rose.
bool Progress(EventSink &sink, uint64_t doneBytes);
// Sends the final "100%" if it has not been sent yet.
bool ProgressComplete(EventSink &sink);

std::u16string PercentText(int percent);
std::u16string ZipSummary(uint64_t entries, uint64_t bytes, uint64_t compressedBytes);
std::u16string UnzipSummary(uint64_t unpacked, uint64_t entries, uint64_t bytes, uint64_t refused);

} // namespace vk::arc
