// Reading the blocks that container entries point at, apart from what is done with what is
// read: the program sends it, the inspector checks it. Every count and offset comes from the
// file and is bounded by what the file holds.
#pragma once

#include "core/array_storage.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvex {

class ContainerReader;
struct PartStorage;

struct SolidHead {
    uint64_t at = 0; // the record
    uint32_t id = 0;
    uint32_t timestamp = 0;
    uint64_t idAt = 0; // where the id lies
};

// A part as read; its label and arrays are in the part storage until the next part is read.
struct PartRecord {
    uint64_t at = 0;
    const std::u16string& label;
    CountedArray positions{}, attributes2{}, attributes5{}, indices{};
    uint64_t positionsAt = 0, indicesAt = 0; // where their counts lie
};

// What a model block holds, in file order. Texts are the reader's storage: a handler may
// take them.
class ModelBlockHandler {
public:
    virtual ~ModelBlockHandler() = default;
    virtual void material(uint64_t at, uint32_t byteLength, std::u16string& text) = 0;
    virtual void light(uint64_t at, std::u16string& text) = 0;
    virtual void beginSolid(const SolidHead& solid) = 0;
    virtual void part(const PartRecord& part) = 0;
    virtual void endSolid() = 0;
    virtual void views(uint64_t at, std::u16string& text) = 0;
    // A table entry whose record would start past the end: nothing is read for it, since
    // reading would only invent a record from zeros.
    virtual void passedOver(const char* /*table*/, uint32_t /*index*/, uint64_t /*slotAt*/, uint32_t /*offset*/) {}
};

// The model block at blockStart: materials, lights, solids with their parts, views.
void walkModelBlock(ContainerReader& reader, uint64_t blockStart, PartStorage& storage, ModelBlockHandler& handler);

// One list of a change directory.
struct ChangeList {
    uint64_t slotAt = 0; // the directory word that holds its offset
    uint64_t at = 0;     // where it starts; nothing is read when that is past the end
    std::u16string name;
    std::vector<uint32_t> ids; // read for "Solid" and "Material" lists only
};

// The change directory at its start: its words into words, then each list they point at
// handed to `each` in order (one list object, reused).
void readChangeDirectory(ContainerReader& reader, uint64_t directory, std::vector<uint32_t>& words,
                         const std::function<void(ChangeList&)>& each);

} // namespace orvex
