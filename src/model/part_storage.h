// What sending one part after another reuses: storage for the arrays of the part being sent,
// its label, the part table of its solid and a generated index list. The exchange keeps it
// from sync to sync, so that at most one part is held and a part no larger than one sent
// before costs no fresh pages (on the first touch every page costs a fault).
#pragma once

#include "platform/growable_memory.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

// Storage for one counted array of 4-byte elements that keeps its capacity. Its contents are
// never zero-filled: every element in use has just been read. It grows in place (address
// space for the largest array a file can count is reserved on first use), so growing never copies
// and never touches a page again that an earlier, smaller part already touched.
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

struct PartStorage {
    ArrayStorage positions, attributes2, attributes5, indices;
    std::vector<uint32_t> generatedIndices;
    std::u16string label;
    std::vector<uint32_t> partTable;
};

} // namespace orvex
