// What sending one part after another reuses: storage for the arrays of the part being sent,
// its label, the part table of its solid and a generated index list. The exchange keeps it
// from sync to sync, so that at most one part is held and a part no larger than one sent
// before costs no fresh pages (on the first touch every page costs a fault).
#pragma once

#include "core/array_storage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

struct PartStorage {
    ArrayStorage positions, attributes2, attributes5, indices;
    std::vector<uint32_t> generatedIndices;
    std::u16string label;
    std::vector<uint32_t> partTable;
};

} // namespace orvex
