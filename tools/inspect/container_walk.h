// The inspector's validating walk over a container held in memory: it follows the layout the
// way the program reads it, reports every count, offset and value that would go wrong with its
// byte offset, and notes where each material, light, solid, part and views text lies so that
// the program's own readers can be pointed at them.
#pragma once

#include "inspect/byte_cursor.h"
#include "inspect/inspection.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvex::inspect {

constexpr uint64_t kEntryTableAt = 1044;
constexpr uint64_t kEntryBytes = 2076;

class ContainerWalk {
public:
    ContainerWalk(const std::string& bytes, std::u16string file, std::vector<Problem>& problems)
        : cursor_(bytes, std::move(file), problems) {}

    // Checks the header; true when the program's readHeader may read it (the file holds a
    // whole header of version 7 or more). A shorter file is never handed to readHeader: it
    // would write a fresh header over it.
    bool header();
    // Checks the block offset of a used entry; true when the block starts inside the file.
    bool entry(int index, int32_t blockOffset);
    // The model block at B: its words, each material's entry and text, where each light
    // text, solid, part and the views text lie. Records are left for the program's readers.
    ModelBlockInfo modelBlock(uint64_t block);
    void changeDirectory(uint64_t directory);

    ByteCursor& cursor() { return cursor_; }

private:
    std::vector<uint32_t> table(uint64_t block, const char* what, std::vector<uint64_t>* slots);
    void solid(uint64_t block, uint64_t record, SolidInfo& solid, uint64_t& idAt);
    void part(uint64_t record, PartInfo& part);

    ByteCursor cursor_;
};

} // namespace orvex::inspect
