// Fuzz target: a generated normal map as the program finds it in the texture folder. The
// bytes are the map's file, read as a PNG sealed with its origin record: the seal, the chunks
// before and after it and the end of the file are checked, and the hash of every other byte.
// Then the writer's side: a map sealed with the input's first bytes as its record reads back
// whole, a reader that refuses the record stops there, and a record past the seal's limit is
// refused by the writer.
#include "fuzz_support.h"

#include "image/png_seal.h"
#include "platform/text.h"

#include <algorithm>
#include <cstdlib>

namespace {

using namespace orvex;

// The seal holds the record and an 8-byte hash, 4,096 bytes at most.
constexpr size_t kLongestRecord = 4096 - 8;

// The file of a one-pixel map sealed with record, or nothing when the record is refused.
std::string sealedMap(const std::vector<uint8_t>& record) {
    PixelImage pixel;
    pixel.width = pixel.height = 1;
    pixel.bgra = {128, 128, 255, 255};
    PngPieces png;
    if (!encodePngPieces(pixel, png)) std::abort();
    const bool sealed = sealPng(png, "orNM", record);
    if (sealed != (record.size() <= kLongestRecord)) std::abort();
    std::string bytes;
    if (sealed)
        for (const PngPiece& piece : png.pieces) bytes.append(reinterpret_cast<const char*>(piece.bytes.get()), piece.size);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::setUp();
    static std::vector<unsigned char> buffer;
    const std::string file = fuzz::writeDataFile("map.png_Normal.png", data, size);
    static const std::u16string path = fromUtf8(file);
    readPngSeal(path, "orNM", [](const uint8_t*, size_t) { return true; }, buffer);

    const std::vector<uint8_t> record(data, data + std::min(size, kLongestRecord + 1));
    const std::string map = sealedMap(record);
    if (map.empty()) return 0;
    const std::string sealedFile =
        fuzz::writeDataFile("sealed.png_Normal.png", reinterpret_cast<const uint8_t*>(map.data()), map.size());
    static const std::u16string sealed = fromUtf8(sealedFile);
    const auto sameRecord = [&record](const uint8_t* r, size_t n) {
        return n == record.size() && std::equal(record.begin(), record.end(), r);
    };
    if (!readPngSeal(sealed, "orNM", sameRecord, buffer)) std::abort();
    if (readPngSeal(sealed, "orNM", [](const uint8_t*, size_t) { return false; }, buffer)) std::abort();
    return 0;
}
