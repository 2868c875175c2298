// Growable memory on POSIX systems: an inaccessible anonymous mapping made accessible piece
// by piece.
#include "platform/growable_memory.h"

#include <sys/mman.h>

namespace orvex {

void* GrowableMemory::reserveAddresses(size_t bytes) {
    void* p = mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

bool GrowableMemory::commit(void* at, size_t bytes) { return mprotect(at, bytes, PROT_READ | PROT_WRITE) == 0; }

void GrowableMemory::release(void* base, size_t bytes) { munmap(base, bytes); }

} // namespace orvex
