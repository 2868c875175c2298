// Storage for counted arrays of 4-byte elements that is reused from array to array, so that
// reading one part after another costs no fresh pages (on the first touch every page costs
// a fault) and at most one array of each kind is held.
#pragma once

#include "platform/growable_memory.h"

#include <cstddef>
#include <cstdint>

namespace orvex {

// An array as read: its count and its elements (null when empty).
struct CountedArray {
    uint32_t count = 0;
    const uint32_t* data = nullptr;
};

// Keeps its capacity. Its contents are never zero-filled: every element in use has just been
// read. It grows in place (address space for the largest array a file can count is reserved
// on first use), so growing never copies and never touches a page again that an earlier,
// smaller part already touched.
class ArrayStorage {
public:
    // Room for count elements, or null when there is no memory for them (what it held stays).
    uint32_t* reserve(size_t count) {
        return count <= SIZE_MAX / 4 ? static_cast<uint32_t*>(memory_.reserve(count * 4)) : nullptr;
    }

private:
    // A count is 32 bits.
    GrowableMemory memory_{uint64_t(UINT32_MAX) * 4};
};

} // namespace orvex
