// Fuzz target: the material block with its nested "MatExt" objects, as UTF-16 pairs (the
// form the model container carries) and with each byte as one unit (every ASCII mutation
// reaches the keys directly). Each parsed record goes to the renderer mapping; the
// platform decodes no image, so a normal map is never computed.
#include "fuzz_support.h"

#include "materials/material_block.h"
#include "materials/send_material.h"
#include "materials/normal_map_memory.h"

namespace {

void parseAndSend(const orvex::SendContext& context, const std::u16string& text) {
    orvex::MaterialRecord record;
    orvex::parseMaterialBlock(record, text);
    orvex::sendMaterial(context, record);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvex;
    fuzz::setUp();
    RendererSession session;
    session.api = &fuzz::rendererApi();
    session.handle = fuzz::kSessionHandle;
    NormalMapMemory normalMaps;
    const SendContext context = makeSendContext(session, false, &normalMaps);
    parseAndSend(context, fuzz::unitsFromBytes(data, size));
    parseAndSend(context, fuzz::unitsFromPairs(data, size));
    return 0;
}
