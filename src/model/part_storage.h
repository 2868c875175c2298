// What sending one part after another reuses: storage for the arrays of the part being sent,
// its label, the part table of its solid and a generated index list. The exchange keeps it
// from sync to sync, so that at most one part is held and a part no larger than one sent
// before costs no fresh pages (on the first touch every page costs a fault).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace orvex {

// Storage for one counted array of 4-byte elements that keeps its capacity. Its contents are
// never zero-filled: every element in use has just been read. It grows with realloc, which for
// large blocks moves the pages already touched instead of copying them into fresh ones.
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

struct PartStorage {
    ArrayStorage positions, attributes2, attributes5, indices;
    std::vector<uint32_t> generatedIndices;
    std::u16string label;
    std::vector<uint32_t> partTable;
};

} // namespace orvex
