// Memory that grows in place: its address space is reserved once, as large as it may ever
// need to be, and committed as the contents grow. Growing never moves or copies what it holds,
// and only pages that are written are ever touched: on first touch every page costs a fault,
// the dearest part of filling fresh memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvex {

class GrowableMemory {
public:
    // The most it may ever hold; address space only, reserved on the first use.
    explicit GrowableMemory(uint64_t largest) : largest_(largest) {}
    ~GrowableMemory();
    GrowableMemory(const GrowableMemory&) = delete;
    GrowableMemory& operator=(const GrowableMemory&) = delete;

    // At least bytes usable from the start, keeping what is held; null when they cannot be had
    // (beyond the largest size, or no address space or memory left), and then nothing changes.
    void* reserve(size_t bytes);

private:
    // The operating system's part: reserve address space, commit a range of it, release it.
    static void* reserveAddresses(size_t bytes);
    static bool commit(void* at, size_t bytes);
    static void release(void* base, size_t bytes);

    uint64_t largest_;
    unsigned char* base_ = nullptr;
    size_t reserved_ = 0;
    size_t committed_ = 0;
};

} // namespace orvex
