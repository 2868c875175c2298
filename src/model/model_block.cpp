// Sending a model block as it is read: each material and light is parsed, kept in its table
// and sent; each solid becomes one node with a mesh per part, sent from the part storage the
// reader filled (so the arrays are not copied); the views text goes to the views sync.
#include "model/model_block.h"

#include "lights/light_block.h"
#include "lights/send_light.h"
#include "materials/material_block.h"
#include "materials/send_material.h"
#include "model/block_reader.h"
#include "model/model_exchange.h"
#include "model/record_sync.h"
#include "records/views.h"

#include <numeric>

namespace orvex {

namespace {

constexpr float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

class Sender final : public ModelBlockHandler {
public:
    explicit Sender(ModelExchange& ex) : ex_(ex), context_(ex.sendContext()) {}

    void material(uint64_t, uint32_t, std::u16string& text) override {
        MaterialRecord record;
        parseMaterialBlock(record, text);
        ex_.materialTable[record.MaterialID_Name] = record;
        sendMaterial(context_, record);
    }
    void light(uint64_t, std::u16string& text) override {
        LightRecord record;
        parseLightBlock(record, text);
        ex_.lightTable[static_cast<uint32_t>(record.LightSolidID)] = record;
        sendLight(context_, record);
    }
    void beginSolid(const SolidHead& solid) override {
        // The table entry is written before the node is sent, so a solid sent again keeps a
        // single entry with the newest timestamp.
        ex_.solidTable.record(solid.id, solid.timestamp);
        ex_.session.api->ORVEXAPI_BeginNode(ex_.session.handle, SolidNodeName(solid.id).c_str(), kIdentity, 1);
    }
    void part(const PartRecord& part) override { sendPart(ex_.session, part, ex_.partStorage.generatedIndices); }
    void endSolid() override { ex_.session.api->ORVEXAPI_EndNode(ex_.session.handle); }
    void views(uint64_t, std::u16string& text) override {
        ViewList list;
        parseViewsBlock(text, list);
        applyViewList(ex_, list);
    }

private:
    ModelExchange& ex_;
    const SendContext context_;
};

} // namespace

void sendPart(const RendererSession& session, const PartRecord& part, std::vector<uint32_t>& generated) {
    const uint32_t positionCount = part.positions.count;
    const uint32_t indexCount = part.indices.count;
    const float* positions = reinterpret_cast<const float*>(part.positions.data);
    if (indexCount != 0) {
        const MeshData mesh{positionCount, indexCount, positions, part.attributes5.data, part.attributes2.data,
                            part.indices.data};
        session.api->ORVEXAPI_AddIndexedTriangle(session.handle, part.label.c_str(), &mesh);
        return;
    }
    // Unindexed: the renderer still takes an index list, 0 .. n-1, and the first count is
    // then the number of vertices.
    const uint32_t vertexCount = positionCount / 3;
    if (generated.size() < vertexCount) {
        const size_t from = generated.size();
        generated.resize(vertexCount);
        std::iota(generated.begin() + static_cast<std::ptrdiff_t>(from), generated.end(),
                  static_cast<uint32_t>(from));
    }
    const MeshData mesh{vertexCount, vertexCount, positions, part.attributes5.data, part.attributes2.data,
                        vertexCount ? generated.data() : nullptr};
    session.api->ORVEXAPI_AddIndexedTriangle(session.handle, part.label.c_str(), &mesh);
}

void readModelBlock(ModelExchange& ex, uint64_t block) {
    Sender sender(ex);
    walkModelBlock(ex.container, block, ex.partStorage, sender);
}

} // namespace orvex
