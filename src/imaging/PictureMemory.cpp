// glibc serves blocks of tens of megabytes, which every picture of a batch is, with fresh mmap()s
// (always so in a worker thread's own arena, whose heaps hold at most 64 MiB) and unmaps them on
// free, so each file would pay the kernel for faulting in and zeroing its pictures again: about a
// quarter of the CPU time of a large resize. In the one main heap, never trimmed, a freed
// picture's pages are handed to the next file as they are.
#include "imaging/PictureMemory.h"

#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

namespace stampwise {

void KeepPictureMemoryForReuse() {
#if defined(M_ARENA_MAX) && defined(M_MMAP_MAX) && defined(M_TRIM_THRESHOLD)
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, -1);
#endif
}

void ReturnPictureMemory() {
#if defined(M_TRIM_THRESHOLD)
    malloc_trim(0);  // also the free pages inside the heap, not only its top
#endif
}

std::uint64_t ReusablePictureMemory() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
    return static_cast<std::uint64_t>(mallinfo2().fordblks);
#else
    return 0;
#endif
}

}  // namespace stampwise
