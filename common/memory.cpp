#include "common/memory.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace vk {
namespace {

std::atomic<AllocationWarning> g_warning{nullptr};
std::atomic<int> g_failNext{0};

bool ShouldFail() {
    int n = g_failNext.load();
    while (n > 0) {
        if (g_failNext.compare_exchange_weak(n, n - 1)) return true;
    }
    return false;
}

} // namespace

void SetAllocationWarning(AllocationWarning warning) { g_warning.store(warning); }

void FailNextAllocations(int count) { g_failNext.store(count > 0 ? count : 0); }

void *AllocZeroed(size_t bytes) {
    void *block = ShouldFail() ? nullptr : std::calloc(bytes ? bytes : 1, 1);
    if (!block) {
        if (const AllocationWarning warn = g_warning.load()) warn();
    }
    return block;
}

char16_t *AllocChars(size_t count) {
    if (count > SIZE_MAX / sizeof(char16_t)) {
        if (const AllocationWarning warn = g_warning.load()) warn();
        return nullptr;
    }
    return static_cast<char16_t *>(AllocZeroed(count * sizeof(char16_t)));
}

void FreeBlock(void *block) { std::free(block); }

char16_t *DupString(const char16_t *text) {
    size_t n = 0;
    if (text)
        while (text[n]) ++n;
    char16_t *copy = AllocChars(n + 1);
    if (copy && n) std::memcpy(copy, text, n * sizeof(char16_t));
    return copy;
}

} // namespace vk
