// Fuzz target: a whole container ("_model.alm") read the way start-up reads it (header,
// session, entry 0), then its entry 1 the way a model synchronisation reads "_mod.sm", and the
// sync-state file written from what was sent. The first byte chooses how the rest is found;
// the rest leaves out the header's unused entry slots (see kContainerHeaderKept).
//   bit 0: the container is read from its file in the data folder rather than from memory
//          (the reader's read-ahead window, its direct reads of large arrays, its file ends);
//   bit 1: with bit 0, the first mesh sent cuts the file to (bits 2-7) / 64 of its length, as
//          the host rewriting the file while the program reads it would.
// A container shorter than the kept part of the header is one cut short and is always read
// from its file, as the program finds it: start-up then writes a header into the file, which
// the second read reads back through the file.
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
    if (size == 0) return 0;
    static const std::string kZeroHeader(layout::kHeaderSize, '\0');
    const uint8_t flags = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    fuzz::InputExchange input;
    ModelExchange& exchange = *input;
    const bool cutShort = bytes.size() < fuzz::kContainerHeaderKept;
    const std::string_view container =
        cutShort ? bytes
                 : fuzz::containerBytes(kZeroHeader, bytes.substr(fuzz::kContainerHeaderKept),
                                        bytes.substr(0, fuzz::kContainerHeaderKept));
    if (cutShort || (flags & 1)) {
        const std::string path = fuzz::writeDataFile("_model.alm", reinterpret_cast<const uint8_t*>(container.data()),
                                                     container.size());
        if (!cutShort && (flags & 2)) fuzz::cutAtNextMesh(path, container.size() * (flags >> 2) / 64);
    } else {
        exchange.containerBytes = container;
    }
    startupSync(exchange); // a short container is reported here
    loadModelEntry(exchange, 1);
    writeSyncState(exchange);
    return 0;
}
