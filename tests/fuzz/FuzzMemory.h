// What one step of a fuzz target allocates, counted through the sanitizer's allocation hooks, and
// the check that it stays within the batch's estimate for the input (imaging/PictureCost.h).
#pragma once

#include <sanitizer/allocator_interface.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace stampwise::fuzz {

// The bytes allocated now and the most since the last MemoryWatch began, over every thread.
inline std::atomic<std::int64_t> allocatedBytes{0};
inline std::atomic<std::int64_t> peakBytes{0};

inline void CountMalloc(const volatile void*, std::size_t size) {
    const std::int64_t now = allocatedBytes += static_cast<std::int64_t>(size);
    std::int64_t peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
}
inline void CountFree(const volatile void* pointer) {
    if (pointer != nullptr) {
        allocatedBytes -= static_cast<std::int64_t>(__sanitizer_get_allocated_size(const_cast<const void*>(pointer)));
    }
}

// The memory one step takes beyond what was allocated when it began.
class MemoryWatch {
public:
    MemoryWatch() : start_(allocatedBytes.load()) { peakBytes = start_; }
    std::int64_t Used() const { return peakBytes.load() - start_; }

private:
    std::int64_t start_;
};

inline void CheckWithin(const MemoryWatch& watch, std::uint64_t estimate) {
    if (watch.Used() > static_cast<std::int64_t>(estimate)) {
        std::fprintf(stderr, "one step took %lld bytes, its estimate is %llu\n",
                     static_cast<long long>(watch.Used()), static_cast<unsigned long long>(estimate));
        std::abort();
    }
}

// Called once, before the first input.
inline void InstallMemoryCount() { __sanitizer_install_malloc_and_free_hooks(CountMalloc, CountFree); }

}  // namespace stampwise::fuzz
