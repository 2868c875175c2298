// Fuzz target: a generated normal map as the program finds it in the texture folder. The
// bytes are the map's file, read as a PNG sealed with its origin record: the seal, the chunks
// before and after it and the end of the file are checked, and the hash of every other byte.
#include "fuzz_support.h"

#include "image/png_seal.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvex;
    fuzz::setUp();
    const std::string file = fuzz::writeDataFile("map.png_Normal.png", data, size);
    static const std::u16string path = fromUtf8(file);
    static std::vector<unsigned char> buffer;
    readPngSeal(path, "orNM", [](const uint8_t*, size_t) { return true; }, buffer);
    return 0;
}
