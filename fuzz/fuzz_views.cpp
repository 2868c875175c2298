// Fuzz target: the views block with its nested camera objects. The bytes are the file
// "Views.cam", applied twice by the views synchronisation (the second time against the
// views stored by the first); the same bytes as UTF-16 pairs are the views section of a
// model block, parsed and applied to the same stored views.
#include "fuzz_support.h"

#include "model/model_exchange.h"
#include "model/record_sync.h"
#include "records/views.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvex;
    fuzz::setUp();
    ModelExchange exchange(fuzz::rendererApi());
    exchange.session.handle = fuzz::kSessionHandle;

    fuzz::writeDataFile("Views.cam", data, size);
    syncViews(exchange);
    syncViews(exchange);

    ViewList list;
    parseViewsBlock(fuzz::unitsFromPairs(data, size), list);
    applyViewList(exchange, list);
    return 0;
}
