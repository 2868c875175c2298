// Fuzz target: a whole container ("_model.alm") read from memory the way start-up reads it
// (header, session, entry 0), then its entry 1 the way a model synchronisation reads
// "_mod.sm", and the sync-state file written from what was sent. The input leaves out the
// header's unused entry slots (see kContainerHeaderKept). One shorter than what is kept is a
// container cut short, read from its file as the program finds it: start-up then writes a
// header into the file, which the second read reads back through the file.
#include "fuzz_support.h"

#include "app/session.h"
#include "model/change_tracking.h"
#include "model/container.h"
#include "model/model_exchange.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvex;
    fuzz::setUp();
    fuzz::countCallsOnly();
    fuzz::removeLog();
    static const std::string kZeroHeader(layout::kHeaderSize, '\0');

    fuzz::InputExchange input;
    ModelExchange& exchange = *input;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (size < fuzz::kContainerHeaderKept)
        fuzz::writeDataFile("_model.alm", data, size);
    else
        exchange.containerBytes = fuzz::containerBytes(kZeroHeader, bytes.substr(fuzz::kContainerHeaderKept),
                                                       bytes.substr(0, fuzz::kContainerHeaderKept));
    startupSync(exchange); // a short container is reported here
    loadModelEntry(exchange, 1);
    writeSyncState(exchange);
    return 0;
}
