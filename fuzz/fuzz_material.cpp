// Fuzz target: the material block with its nested "MatExt" objects, as UTF-16 pairs (the
// form the model container carries) and with each byte as one unit (every ASCII mutation
// reaches the keys directly). Each parsed record goes to the renderer mapping; the
// platform decodes no image, so a normal map is never computed.
#include "fuzz_support.h"

#include "materials/material_block.h"
#include "materials/send_material.h"
#include "model/model_exchange.h"

namespace {

void parseAndSend(const orvex::RendererSession& session, const std::u16string& text) {
    orvex::MaterialRecord record;
    orvex::parseMaterialBlock(record, text);
    orvex::sendMaterial(session, record);
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
