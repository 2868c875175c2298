// Fuzz target: the light block, as each byte one unit and as UTF-16 pairs, parsed and sent
// to the renderer (kind, transform, IES file, colour and intensity).
#include "fuzz_support.h"

#include "lights/light_block.h"
#include "lights/send_light.h"
#include "model/model_exchange.h"

namespace {

void parseAndSend(const orvex::RendererSession& session, const std::u16string& text) {
    orvex::LightRecord record;
    orvex::parseLightBlock(record, text);
    orvex::sendLight(session, record);
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
