// Fuzz target: the extended-material block of one "MatExt" object, as each byte one unit
// and as UTF-16 pairs. The parsed map is sent as the one map of a material, so its type,
// flag, file name and value reach the renderer mapping (no image is ever decoded).
#include "fuzz_support.h"

#include "materials/material_block.h"
#include "materials/send_material.h"
#include "model/model_exchange.h"

namespace {

void parseAndSend(const orvex::RendererSession& session, const std::u16string& text) {
    orvex::ExtendMaterialRecord map;
    orvex::parseExtendMaterialBlock(map, text);
    orvex::MaterialRecord material;
    material.MaterialID_Name = u"M_Fuzz";
    material.Bump = 0.5f; // asks for a generated normal map when the map is a diffuse texture
    material.TypeNat = map.Type == 1 ? 17 : 0;
    material.MatExt.push_back(std::move(map));
    orvex::sendMaterial(session, material);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvex;
    fuzz::setUp();
    ModelExchange exchange(fuzz::rendererApi());
    exchange.session.handle = fuzz::kSessionHandle;
    parseAndSend(exchange.session, fuzz::unitsFromBytes(data, size));
    parseAndSend(exchange.session, fuzz::unitsFromPairs(data, size));
    return 0;
}
