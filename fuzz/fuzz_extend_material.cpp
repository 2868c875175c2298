// Fuzz target: the extended-material block of one "MatExt" object, as each byte one unit
// and as UTF-16 pairs. The parsed map is sent as the one map of a material, so its type,
// flag, file name and value reach the renderer mapping (no image is ever decoded).
#include "fuzz_support.h"

#include "materials/material_block.h"
#include "materials/send_material.h"
#include "materials/normal_map_memory.h"

namespace {

void parseAndSend(const orvex::SendContext& context, const std::u16string& text) {
    orvex::ExtendMaterialRecord map;
    orvex::parseExtendMaterialBlock(map, text);
    orvex::MaterialRecord material;
    material.MaterialID_Name = u"M_Fuzz";
    material.Bump = 0.5f; // asks for a generated normal map when the map is a diffuse texture
    material.TypeNat = map.Type == 1 ? 17 : 0;
    material.MatExt.push_back(std::move(map));
    orvex::sendMaterial(context, material);
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
