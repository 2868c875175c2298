// Storage for counted arrays of 4-byte elements that is reused from array to array, so that
// reading one part after another costs no fresh pages (on the first touch every page costs
// a fault) and at most one array of each kind is held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace orvex {

// An array as read: its count and its elements (null when empty).
struct CountedArray {
    uint32_t count = 0;
    const uint32_t* data = nullptr;
};

// Keeps its capacity. Its contents are never zero-filled: every element in use has just been
// read. It grows with realloc, which for large blocks moves the pages already touched
// instead of copying them into fresh ones.
class ArrayStorage {
public:
    ArrayStorage() = default;
    ~ArrayStorage() { std::free(data_); }
    ArrayStorage(const ArrayStorage&) = delete;
    ArrayStorage& operator=(const ArrayStorage&) = delete;

    // Room for count elements, or null when there is no memory for them (what it held stays).
    uint32_t* reserve(size_t count) {
        if (count > capacity_) {
            void* grown = count <= SIZE_MAX / 4 ? std::realloc(data_, count * 4) : nullptr;
            if (!grown) return nullptr;
            data_ = static_cast<uint32_t*>(grown);
            capacity_ = count;
        }
        return data_;
    }

private:
    uint32_t* data_ = nullptr;
    size_t capacity_ = 0;
};

} // namespace orvex
