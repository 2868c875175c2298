// Fuzz target: the light block, as each byte one unit and as UTF-16 pairs, parsed and sent
// to the renderer (kind, transform, IES file, colour and intensity).
#include "fuzz_support.h"

#include "lights/light_block.h"
#include "lights/send_light.h"

namespace {

void parseAndSend(const orvex::SendContext& context, const std::u16string& text) {
    orvex::LightRecord record;
    orvex::parseLightBlock(record, text);
    orvex::sendLight(context, record);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvex;
    fuzz::setUp();
    RendererSession session;
    session.api = &fuzz::rendererApi();
    session.handle = fuzz::kSessionHandle;
    const SendContext context = makeSendContext(session, false, nullptr);
    parseAndSend(context, fuzz::unitsFromBytes(data, size));
    parseAndSend(context, fuzz::unitsFromPairs(data, size));
    return 0;
}
