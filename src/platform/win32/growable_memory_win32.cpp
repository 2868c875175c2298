// Growable memory on Windows: a reservation of address space with VirtualAlloc, committed
// piece by piece.
#include "platform/growable_memory.h"

#include <windows.h>

namespace orvex {

void* GrowableMemory::reserveAddresses(size_t bytes) { return VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS); }

bool GrowableMemory::commit(void* at, size_t bytes) {
    return VirtualAlloc(at, bytes, MEM_COMMIT, PAGE_READWRITE) != nullptr;
}

void GrowableMemory::release(void* base, size_t) { VirtualFree(base, 0, MEM_RELEASE); }

} // namespace orvex
