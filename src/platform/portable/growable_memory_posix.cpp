// Growable memory on POSIX systems: an inaccessible anonymous mapping made accessible piece
// by piece; Linux brings a range's pages in with one call where it can.
#include "platform/growable_memory.h"

#include <sys/mman.h>

namespace orvex {

void* GrowableMemory::reserveAddresses(size_t bytes) {
    void* p = mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

bool GrowableMemory::commit(void* at, size_t bytes) { return mprotect(at, bytes, PROT_READ | PROT_WRITE) == 0; }

bool GrowableMemory::bringIn([[maybe_unused]] void* at, [[maybe_unused]] size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    return bytes > 0 && madvise(at, bytes, MADV_POPULATE_WRITE) == 0;
#else
    return false;
#endif
}

void GrowableMemory::release(void* base, size_t bytes) { munmap(base, bytes); }

} // namespace orvex
