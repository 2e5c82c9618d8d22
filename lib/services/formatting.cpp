// WsprintfEx, WstrcatEx and BuildOFNFilter.
#include <cstdarg>
#include <cstring>
#include <functional>

#include "common/format.h"
#include "lib/services/strings.h"
#include "platform/text/text.h"

namespace {

// Where the last call of each function on this thread ended its text.
thread_local char16_t *t_sprintfEnd = nullptr;
thread_local char16_t *t_strcatEnd = nullptr;

char16_t g_errorText[vk::lib::kErrorTextChars];
char16_t g_filter[vk::lib::kFilterChars];

char16_t *ErrorText(const char16_t *function) {
    vk::FormatBounded(g_errorText, vk::lib::kErrorTextChars, u"Dest size is 0 or too large from %s", function);
    return g_errorText;
}

// True when `p` lies within [begin, end].
bool Within(const char16_t *p, const char16_t *begin, const char16_t *end) {
    const std::less_equal<const char16_t *> le;
    return le(begin, p) && le(p, end);
}

} // namespace

char16_t *WsprintfEx(char16_t *dest, size_t size, size_t *lengthOut, const char16_t *format, ...) {
    if (!dest) dest = t_sprintfEnd;
    if (!dest) {
        // No destination and nothing to continue from: nothing to write to.
        if (lengthOut) *lengthOut = 0;
        return ErrorText(u"WsprintfEx");
    }
    va_list args;
    va_start(args, format);
    const int32_t status = vk::FormatBoundedV(dest, size, format, args);
    va_end(args);
    const size_t length = vk::text::Length(dest);
    t_sprintfEnd = dest + length;
    if (lengthOut) *lengthOut = length;
    if (status == vk::kFormatInvalidArg) return ErrorText(u"WsprintfEx");
    return dest;
}

char16_t *WstrcatEx(char16_t *dest, char16_t *position, size_t size, size_t *lengthOut, const char16_t *format,
                    ...) {
    if (!dest) {
        if (lengthOut) *lengthOut = 0;
        return ErrorText(u"WstrcatEx");
    }
    const size_t destLength = vk::text::Length(dest);
    if (!position) position = t_strcatEnd;
    // Without a position to continue from, append to the text.
    if (!position) position = dest + destLength;
    // A position outside the destination's text would make the room
    // meaningless and the write unbounded.
    if (!Within(position, dest, dest + destLength)) {
        if (lengthOut) *lengthOut = 0;
        return ErrorText(u"WstrcatEx");
    }
    const size_t offset = static_cast<size_t>(position - dest);
    // The room from the position to the end of the buffer; a size smaller than
    // the offset wraps to a huge value, which is refused as too large.
    const size_t room = size - offset;
    va_list args;
    va_start(args, format);
    const int32_t status = vk::FormatBoundedV(position, room, format, args);
    va_end(args);
    const size_t length = vk::text::Length(position);
    t_strcatEnd = position + length;
    if (lengthOut) *lengthOut = length;
    if (status == vk::kFormatInvalidArg) return ErrorText(u"WstrcatEx");
    return dest;
}

namespace {

constexpr const char16_t *kFilterPair = u"%s (%s)|%s|";

// Length of one pair's text in full: "description (pattern)|pattern|".
size_t PairLength(const char16_t *description, const char16_t *pattern) {
    const size_t d = description ? vk::text::Length(description) : 6; // "(null)"
    const size_t p = pattern ? vk::text::Length(pattern) : 6;
    return d + 2 * p + 5;
}

} // namespace

const char16_t *BuildOFNFilter(const char16_t *const *pairs, int pairCount) {
    std::memset(g_filter, 0, sizeof g_filter);
    if (!pairs || pairCount < 1) return g_filter; // an empty list
    size_t room = vk::lib::kFilterChars;
    size_t used = 0;
    for (int i = 0; i < pairCount; ++i) {
        const char16_t *description = pairs[2 * i];
        const char16_t *pattern = pairs[2 * i + 1];
        size_t length = 0;
        WsprintfEx(i == 0 ? g_filter : nullptr, room, &length, kFilterPair, description, pattern, pattern);
        if (length < PairLength(description, pattern)) {
            // A pair that does not fit whole would leave a description without
            // its pattern or a wrong pattern: the list ends before it.
            std::memset(g_filter + used, 0, (vk::lib::kFilterChars - used) * sizeof(char16_t));
            break;
        }
        used += length;
        room -= length;
    }
    for (char16_t &c : g_filter)
        if (c == u'|') c = 0;
    return g_filter;
}
