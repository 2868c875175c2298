// Growable memory on Windows: a reservation of address space with VirtualAlloc, committed
// piece by piece. Locking a range brings its pages in with one call (and unlocking leaves
// them in); Windows refuses to lock more than the working-set quota, and then the pages fault
// in one by one as they are written.
#include "platform/growable_memory.h"

#include <windows.h>

namespace orvex {

void* GrowableMemory::reserveAddresses(size_t bytes) { return VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS); }

bool GrowableMemory::commit(void* at, size_t bytes) {
    return VirtualAlloc(at, bytes, MEM_COMMIT, PAGE_READWRITE) != nullptr;
}

bool GrowableMemory::bringIn(void* at, size_t bytes) {
    if (bytes == 0 || !VirtualLock(at, bytes)) return false;
    VirtualUnlock(at, bytes);
    return true;
}

void GrowableMemory::release(void* base, size_t) { VirtualFree(base, 0, MEM_RELEASE); }

} // namespace orvex
