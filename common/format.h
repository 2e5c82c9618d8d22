// Bounded printf-style formatting over UTF-16 text.
//
// Every text the system builds is formatted into a fixed-size buffer and cut
// when it does not fit. The formatter understands the directives the system
// uses: %s (a UTF-16 string; %S and %ls are the same, %hs a narrow string),
// %d %i %u %x %X %o %c %p %%, the flags - + 0 space #, widths and precisions
// (also given as '*'), and the size prefixes hh h l ll I I32 I64 z t j.
// A directive it does not know is copied to the output as it stands and
// consumes no argument. A null string argument prints "(null)".
//
// Each deliverable links its own copy of this module.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

namespace vk {

// Status values of FormatBounded: the platform result codes S_OK,
// E_INVALIDARG and the code of ERROR_INSUFFICIENT_BUFFER (the text was cut).
inline constexpr int32_t kFormatOk = 0;
inline constexpr int32_t kFormatInvalidArg = static_cast<int32_t>(0x80070057u);
inline constexpr int32_t kFormatTruncated = static_cast<int32_t>(0x8007007Au);

// Largest buffer size (in characters) FormatBounded accepts.
inline constexpr size_t kFormatMaxSize = 2147483647;

// Formats into dest, storing at most `room` characters and no terminator.
// Returns the length of the whole output (which may exceed `room`), or -1 when
// the format is null.
ptrdiff_t FormatText(char16_t *dest, size_t room, const char16_t *format, va_list args);

// Formats into dest, a buffer of `size` characters:
// - size 0 or above kFormatMaxSize (or dest null): kFormatInvalidArg, dest untouched;
// - the output fits in size - 1 characters: kFormatOk;
// - otherwise the first size - 1 characters and kFormatTruncated.
// With a valid size dest always ends up NUL-terminated.
int32_t FormatBoundedV(char16_t *dest, size_t size, const char16_t *format, va_list args);
int32_t FormatBounded(char16_t *dest, size_t size, const char16_t *format, ...);

} // namespace vk
