// Reading a model block section by section: materials, lights, solids with their meshes,
// views. Every count and offset comes from the file and is bounded by what the file holds;
// part arrays go into storage reused from part to part, so at most one part is held.
#include "model/model_block.h"

#include "lights/light_block.h"
#include "lights/send_light.h"
#include "materials/material_block.h"
#include "materials/send_material.h"
#include "model/container.h"
#include "model/model_exchange.h"
#include "model/part_storage.h"
#include "model/record_sync.h"
#include "records/views.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace orvex {

namespace {

constexpr float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

struct CountedArray {
    uint32_t count = 0;
    const uint32_t* data = nullptr; // null when empty
};

// Reads one counted array of 4-byte elements; a count whose data would run past the end
// of the file (or that memory cannot hold) gives an empty array.
CountedArray readArray(ContainerFile& f, ArrayStorage& storage) {
    const uint32_t count = f.readU32();
    if (count == 0) return {};
    if (uint64_t(count) * 4 > f.remaining()) {
        f.skip(f.remaining());
        return {};
    }
    uint32_t* data = storage.reserve(count);
    if (!data) {
        f.skip(uint64_t(count) * 4);
        return {};
    }
    if (!f.readU32s(data, count)) return {};
    return {count, data};
}

void skipArray(ContainerFile& f) {
    const uint32_t count = f.readU32();
    f.skip(uint64_t(count) * 4);
}

void skipCountedText(ContainerFile& f) {
    const uint32_t count = f.readU32();
    f.skip(uint64_t(count) * 2);
}

// A counted text into a string reused from call to call; a text that would run past the
// end of the file is empty.
void readCountedTextInto(ContainerFile& f, std::u16string& text) {
    const uint32_t count = f.readU32();
    if (uint64_t(count) * 2 > f.remaining()) {
        f.skip(f.remaining());
        text.clear();
        return;
    }
    text.resize(count);
    f.readU16s(text.data(), count);
}

// A table of offsets relative to the block start; truncated tables are empty.
std::vector<uint32_t> readTable(ModelExchange& ex) {
    std::vector<uint32_t> offsets;
    readIdList(ex, offsets);
    return offsets;
}

// The same, into storage reused from table to table (one table per solid).
void readTableInto(ContainerFile& f, std::vector<uint32_t>& offsets) {
    const uint32_t count = f.readU32();
    if (uint64_t(count) * 4 > f.remaining()) {
        f.skip(f.remaining());
        offsets.clear();
        return;
    }
    offsets.resize(count);
    f.readU32s(offsets.data(), count);
}

// A record that would start at or past the end of the file holds nothing: reading it would
// only invent an empty material, a light at the origin or a solid 0 that the host never
// sent (and that the sync-state file would then report), so such entries are passed over.
bool startsInFile(const ContainerFile& f, uint64_t record) { return record < f.size(); }

void readMaterials(ModelExchange& ex, const SendContext& context, uint64_t block) {
    ContainerFile& f = ex.file;
    for (uint32_t offset : readTable(ex)) {
        if (!startsInFile(f, block + offset)) continue;
        f.seek(block + offset);
        const uint32_t byteLength = f.readU32();
        f.readU32();
        f.readU32();
        const uint64_t units = byteLength / 2;
        std::u16string text;
        if (units * 2 <= f.remaining()) {
            std::vector<unsigned char> bytes(units * 2);
            f.readBytes(bytes.data(), bytes.size());
            text.reserve(units);
            for (uint64_t i = 0; i < units; ++i) {
                const char16_t c = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
                if (c == 0) break;
                text += c;
            }
        } else {
            f.skip(f.remaining());
        }
        MaterialRecord record;
        parseMaterialBlock(record, text);
        ex.materialTable[record.MaterialID_Name] = record;
        sendMaterial(context, record);
    }
}

void readLights(ModelExchange& ex, const SendContext& context, uint64_t block) {
    for (uint32_t offset : readTable(ex)) {
        if (!startsInFile(ex.file, block + offset)) continue;
        // A text cut off by the end of the file (its count included) holds no light either:
        // read as empty, it would send a light 0 at the origin that the host never wrote.
        ex.file.seek(block + offset);
        if (ex.file.remaining() < 4 || uint64_t(ex.file.readU32()) * 2 > ex.file.remaining()) continue;
        ex.file.seek(block + offset);
        std::u16string text;
        readCountedText(ex, text);
        LightRecord record;
        parseLightBlock(record, text);
        ex.lightTable[static_cast<uint32_t>(record.LightSolidID)] = record;
        sendLight(context, record);
    }
}

// One part's mesh; the generated index list of an unindexed part is kept in the caller's
// storage between parts.
void sendMesh(std::vector<uint32_t>& generated, const RendererSession& session,
                   const std::u16string& label, uint32_t vertexCount, const float* positions,
                   const uint32_t* attributes2, const uint32_t* attributes5, const uint32_t* indices,
                   uint32_t positionCount, uint32_t indexCount) {
    const float* p = positionCount ? positions : nullptr;
    if (indexCount != 0) {
        const MeshData mesh{positionCount, indexCount, p, attributes5, attributes2, indices};
        session.api->ORVEXAPI_AddIndexedTriangle(session.handle, label.c_str(), &mesh);
        return;
    }
    // Unindexed: the renderer still takes an index list, 0 .. n-1, and the first count is
    // then the number of vertices.
    if (generated.size() < vertexCount) {
        const size_t from = generated.size();
        generated.resize(vertexCount);
        std::iota(generated.begin() + static_cast<std::ptrdiff_t>(from), generated.end(),
                  static_cast<uint32_t>(from));
    }
    const MeshData mesh{vertexCount, vertexCount, p, attributes5, attributes2,
                        vertexCount ? generated.data() : nullptr};
    session.api->ORVEXAPI_AddIndexedTriangle(session.handle, label.c_str(), &mesh);
}

void readPart(ModelExchange& ex, uint64_t block, uint32_t partOffset, PartStorage& arrays) {
    ContainerFile& f = ex.file;
    const uint64_t record = block + partOffset;
    f.seek(record);
    f.readU32();
    const uint32_t headLength = f.readU32();
    f.readU32();
    f.readU32();
    std::u16string& label = arrays.label;
    readCountedTextInto(f, label);
    skipCountedText(f);
    f.seek(record + 4 + headLength);

    const CountedArray a1 = readArray(f, arrays.positions);
    const CountedArray a2 = readArray(f, arrays.attributes2);
    skipArray(f);
    skipArray(f);
    const CountedArray a5 = readArray(f, arrays.attributes5);
    const CountedArray a6 = readArray(f, arrays.indices);
    skipArray(f);
    skipArray(f);

    sendMesh(arrays.generatedIndices, ex.session, label, a1.count / 3,
                  reinterpret_cast<const float*>(a1.data), a2.data, a5.data, a6.data, a1.count, a6.count);
}

void readSolids(ModelExchange& ex, uint64_t block) {
    ContainerFile& f = ex.file;
    PartStorage& arrays = ex.partStorage;
    for (uint32_t offset : readTable(ex)) {
        if (offset == 0 || !startsInFile(f, block + offset)) continue;
        const uint64_t record = block + offset;
        f.seek(record);
        f.readU32();
        const uint32_t headLength = f.readU32();
        f.readU8();
        const uint32_t timestamp = f.readU32();
        skipCountedText(f);
        f.readU32();
        f.readU32();
        const uint32_t id = f.readU32();
        skipCountedText(f);

        // The table entry is written before the node is sent, so a solid sent again keeps a
        // single entry with the newest timestamp.
        ex.solidTable.record(id, timestamp);

        f.seek(record + 4 + headLength);
        readTableInto(f, arrays.partTable);

        ex.session.api->ORVEXAPI_BeginNode(ex.session.handle, SolidNodeName(id).c_str(), kIdentity, 1);
        for (uint32_t partOffset : arrays.partTable) {
            if (partOffset == 0 || !startsInFile(f, block + partOffset)) continue;
            readPart(ex, block, partOffset, arrays);
        }
        ex.session.api->ORVEXAPI_EndNode(ex.session.handle);
    }
}

} // namespace

void readModelBlock(ModelExchange& ex, uint64_t block) {
    ContainerFile& f = ex.file;
    f.seek(block);
    const uint32_t w0 = f.readU32();
    const uint32_t w1 = f.readU32();
    const uint32_t w2 = f.readU32();
    const uint32_t w3 = f.readU32();
    f.readU32();

    const SendContext context = ex.sendContext();
    if (w0 != 0) readMaterials(ex, context, block);
    if (w1 != 0) {
        f.seek(block + (w0 != 0 ? w0 : 20));
        readLights(ex, context, block);
    }
    if (w2 != 0) {
        const uint32_t solidsAt = w0 + w1; // the host's 32-bit sum
        f.seek(block + (solidsAt != 0 ? solidsAt : 20));
        readSolids(ex, block);
    }
    if (w3 != 0) {
        std::u16string text;
        readCountedText(ex, text);
        ViewList list;
        parseViewsBlock(text, list);
        applyViewList(ex, list);
    }
}

} // namespace orvex
