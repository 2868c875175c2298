// Memory that grows in place: address space is reserved ahead, committed as the contents
// grow, and the pages about to be written are brought in by one call rather than a fault
// each. Growing never moves what it holds within a reservation, and a page touched once is
// never fresh again: on first touch every page costs a fault, the dearest part of filling
// fresh memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvex {

class GrowableMemory {
public:
    // The most it may ever hold.
    explicit GrowableMemory(uint64_t largest) : largest_(largest) {}
    ~GrowableMemory();
    GrowableMemory(const GrowableMemory&) = delete;
    GrowableMemory& operator=(const GrowableMemory&) = delete;

    // At least bytes usable from the start, keeping what is held; null when they cannot be had
    // (beyond the largest size, or no address space or memory left), and then nothing changes.
    void* reserve(size_t bytes);

private:
    // The operating system's part: reserve address space, commit a range of it, bring the
    // pages of a committed range in (a hint: false when the system declines), release it all.
    static void* reserveAddresses(size_t bytes);
    static bool commit(void* at, size_t bytes);
    static bool bringIn(void* at, size_t bytes);
    static void release(void* base, size_t bytes);

    bool replaceReservation(size_t bytes);

    uint64_t largest_;
    unsigned char* base_ = nullptr;
    size_t reserved_ = 0;
    size_t committed_ = 0;
    size_t touched_ = 0; // the bytes brought in (or written) so far
};

} // namespace orvex
