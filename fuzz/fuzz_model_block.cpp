// Fuzz target: the bytes are one model block (entry 0 of "_model.alm", kind 2, read from
// memory): materials, lights, solids with their parts and meshes, views. It is loaded as
// start-up loads it, then the sync-state file is written and the scene reset, so every
// consumer of the tables walks what the block put there. (Blocks read over filled tables are the change-directory
// target's part.)
#include "fuzz_support.h"

#include "core/container_layout.h"
#include "model/change_tracking.h"
#include "model/container.h"
#include "model/model_exchange.h"
#include "scene-writer/container_writer.h"

#include <string>

namespace {

// A header whose entry 0 is a model block right after it.
std::string header() {
    orvex::writer::ContainerWriter container;
    container.entries.push_back({u"C:\\Work\\Fuzz.plan", orvex::layout::kModelBlockKind, std::string(),
                                 int32_t{orvex::layout::kHeaderSize}});
    return container.bytes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvex;
    fuzz::setUp();
    fuzz::countCallsOnly();
    static const std::string kHeader = header();

    fuzz::InputExchange input;
    ModelExchange& exchange = *input;
    exchange.session.handle = fuzz::kSessionHandle;
    exchange.containerBytes = fuzz::containerBytes(kHeader, {reinterpret_cast<const char*>(data), size});
    loadModelEntry(exchange, 0);
    writeSyncState(exchange);
    resetScene(exchange);
    return 0;
}
