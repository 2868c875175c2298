// Fuzz target: a whole container file as the data folder holds it ("_model.alm"), read the
// way start-up reads it (header, session, entry 0), then its entry 1 the way a model
// synchronisation reads "_mod.sm", and the sync-state file written from what was sent.
#include "fuzz_support.h"

#include "app/session.h"
#include "model/change_tracking.h"
#include "model/container.h"
#include "model/model_exchange.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvex;
    fuzz::setUp();
    fuzz::countCallsOnly();
    fuzz::removeLog();
    fuzz::writeDataFile("_model.alm", data, size);

    ModelExchange exchange(fuzz::meshReadingApi());
    startupSync(exchange); // a short file is given a fresh header here and reported
    // The same file once more, now always at least a header long, through entry 1.
    loadModelEntry(exchange, 1);
    writeSyncState(exchange);
    return 0;
}
