#include "arczip32/events.h"

#include <atomic>

#include "platform/text/text.h"

namespace vk::arc {

bool CancelFlagSet(const int32_t *flag) {
    // The flag belongs to the caller and may be set from a message handler or
    // another thread while we run; read it afresh every time.
    return flag != nullptr && std::atomic_ref<int32_t>(*const_cast<int32_t *>(flag)).load(std::memory_order_relaxed) != 0;
}

EventSink SinkFromRequest(const ArchiveRequest &request) {
    EventSink sink;
    sink.proc = reinterpret_cast<ArchiveEventProc>(request.word[ARC_WORD_CALLBACK]);
    sink.context = reinterpret_cast<void *>(request.word[ARC_WORD_CONTEXT]);
    sink.cancelFlag = reinterpret_cast<const int32_t *>(request.word[ARC_WORD_CANCEL]);
    return sink;
}

bool GoOn(EventSink &sink) {
    if (!sink.stopped && CancelFlagSet(sink.cancelFlag)) sink.stopped = true;
    return !sink.stopped;
}

bool Send(EventSink &sink, int event, intptr_t value) {
    if (!GoOn(sink)) return false;
    if (sink.proc != nullptr && sink.proc(event, sink.context, value) == 0) sink.stopped = true;
    return GoOn(sink);
}

bool SendText(EventSink &sink, int event, std::u16string_view text) {
    const std::u16string copy(text); // NUL-terminated for the callback
    return Send(sink, event, reinterpret_cast<intptr_t>(copy.c_str()));
}

bool Progress(EventSink &sink, uint64_t doneBytes) {
    if (sink.totalBytes == 0 || doneBytes == 0) return GoOn(sink);
    if (doneBytes > sink.totalBytes) doneBytes = sink.totalBytes;
    const int percent = static_cast<int>(doneBytes * 100 / sink.totalBytes);
    if (percent <= sink.lastPercent) return GoOn(sink);
    sink.lastPercent = percent;
    return SendText(sink, ARC_EVENT_PROGRESS, PercentText(percent));
}

bool ProgressComplete(EventSink &sink) {
    if (sink.lastPercent >= 100) return GoOn(sink);
    sink.lastPercent = 100;
    return SendText(sink, ARC_EVENT_PROGRESS, PercentText(100));
}

std::u16string PercentText(int percent) { return vk::text::U16(std::to_string(percent) + "%"); }

std::u16string ZipSummary(uint64_t entries, uint64_t bytes, uint64_t compressedBytes) {
    return vk::text::U16("Zipped " + std::to_string(entries) + " entries: " + std::to_string(bytes) +
                         " bytes compressed to " + std::to_string(compressedBytes) + " bytes");
}

std::u16string UnzipSummary(uint64_t unpacked, uint64_t entries, uint64_t bytes, uint64_t refused) {
    return vk::text::U16("Unzipped " + std::to_string(unpacked) + " of " + std::to_string(entries) +
                         " entries: " + std::to_string(bytes) + " bytes, " + std::to_string(refused) +
                         " refused");
}

} // namespace vk::arc
