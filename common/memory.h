// Memory blocks: zero-filled allocations released by their receiver.
//
// A failed allocation shows the deliverable's allocation warning (installed
// with SetAllocationWarning: the library shows "Insufficient Local Memory",
// the program its own) and yields null; callers pass the null on.
#pragma once

#include <cstddef>

namespace vk {

// A zero-filled block of `bytes` bytes (at least one byte), or null.
void *AllocZeroed(size_t bytes);
// A zero-filled block of `count` UTF-16 characters, or null (also when the
// byte size would overflow).
char16_t *AllocChars(size_t count);
// Releases a block; null is ignored.
void FreeBlock(void *block);
// A new block holding a copy of `text` (an empty string for null), or null.
char16_t *DupString(const char16_t *text);

// The warning shown for every failed allocation; null shows nothing.
using AllocationWarning = void (*)();
void SetAllocationWarning(AllocationWarning warning);

// Tests: the next `count` allocations fail (0 switches failing off).
void FailNextAllocations(int count);

} // namespace vk
