// Fuzz target: the camera block. The bytes are the file "camera.cam", read and sent by the
// camera synchronisation; the same bytes taken as UTF-16 pairs are parsed and sent as a
// camera block of a views object would be.
#include "fuzz_support.h"

#include "model/model_exchange.h"
#include "model/record_sync.h"
#include "records/camera.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvex;
    fuzz::setUp();
    ModelExchange exchange(fuzz::rendererApi());
    exchange.session.handle = fuzz::kSessionHandle;

    fuzz::writeDataFile("camera.cam", data, size);
    syncCamera(exchange);

    CameraRecord record;
    parseCameraBlock(fuzz::unitsFromPairs(data, size), record);
    sendCamera(exchange.session, record);
    return 0;
}
