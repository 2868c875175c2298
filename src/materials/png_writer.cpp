// One encoder for the generated normal maps. The rows are filtered with "Sub" (each byte
// minus the byte one pixel to its left): one cheap pass that turns the smooth areas of a
// normal map into runs zlib compresses well. Filtering and compression take a band of
// rows at a time, so bands can later be compressed independently.
#include "materials/png_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>

namespace orvex {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint8_t kFilterSub = 1;
constexpr uint32_t kMaxDimension = 0x7FFFFFFF; // the format's limit for width and height
constexpr size_t kMaxChunkData = size_t(1) << 30;
// zlib counts its buffers in 32-bit units: feed and drain at most this much at once.
constexpr size_t kMaxZlibStep = size_t(1) << 30;

void putBigEndian32(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value >> 24));
    out.push_back(static_cast<uint8_t>(value >> 16));
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void putChunk(std::vector<uint8_t>& out, const char type[4], const uint8_t* data, size_t size) {
    putBigEndian32(out, static_cast<uint32_t>(size));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    if (size) out.insert(out.end(), data, data + size);
    uLong crc = crc32(0L, Z_NULL, 0);
    const uint8_t* p = out.data() + typeAt;
    size_t left = size + 4;
    while (left > 0) {
        const uInt step = static_cast<uInt>(std::min(left, kMaxZlibStep));
        crc = crc32(crc, p, step);
        p += step;
        left -= step;
    }
    putBigEndian32(out, static_cast<uint32_t>(crc));
}

// One row as PNG scanline: the filter byte, then RGBA with the Sub filter applied.
void filterRow(const uint8_t* bgra, uint32_t width, uint8_t* scanline) {
    scanline[0] = kFilterSub;
    uint8_t* out = scanline + 1;
    uint8_t prev[4] = {0, 0, 0, 0};
    for (uint32_t x = 0; x < width; ++x) {
        const uint8_t rgba[4] = {bgra[2], bgra[1], bgra[0], bgra[3]};
        for (int c = 0; c < 4; ++c) {
            out[c] = static_cast<uint8_t>(rgba[c] - prev[c]);
            prev[c] = rgba[c];
        }
        bgra += 4;
        out += 4;
    }
}

// Runs deflate over input until zlib has taken all of it (and, with Z_FINISH, until the
// stream is complete), appending the output to compressed through a fixed-size window.
bool deflateInto(z_stream& stream, const uint8_t* input, size_t size, int flush,
                 std::vector<uint8_t>& compressed) {
    uint8_t window[65536];
    size_t offered = 0;
    for (;;) {
        if (stream.avail_in == 0 && offered < size) {
            const size_t step = std::min(size - offered, kMaxZlibStep);
            stream.next_in = const_cast<Bytef*>(input + offered);
            stream.avail_in = static_cast<uInt>(step);
            offered += step;
        }
        const bool lastInput = offered == size;
        stream.next_out = window;
        stream.avail_out = sizeof window;
        const int result = deflate(&stream, lastInput ? flush : Z_NO_FLUSH);
        compressed.insert(compressed.end(), window, window + (sizeof window - stream.avail_out));
        if (result == Z_STREAM_END) return true;
        if (result != Z_OK && result != Z_BUF_ERROR) return false;
        // Without a flush, done once zlib has taken all input and had room to spare.
        if (flush == Z_NO_FLUSH && lastInput && stream.avail_in == 0 && stream.avail_out != 0)
            return true;
    }
}

// The zlib stream of the filtered rows [first, last), ending the stream when finish.
bool compressRows(const PixelImage& image, uint32_t first, uint32_t last, z_stream& stream,
                  bool finish, std::vector<uint8_t>& compressed) {
    const size_t pitch = size_t(image.width) * 4;
    std::vector<uint8_t> scanline(pitch + 1);
    for (uint32_t y = first; y < last; ++y) {
        filterRow(image.bgra.data() + y * pitch, image.width, scanline.data());
        if (!deflateInto(stream, scanline.data(), scanline.size(), Z_NO_FLUSH, compressed))
            return false;
    }
    if (finish) return deflateInto(stream, nullptr, 0, Z_FINISH, compressed);
    return true;
}

bool compressImage(const PixelImage& image, std::vector<uint8_t>& compressed) {
    z_stream stream;
    std::memset(&stream, 0, sizeof stream);
    if (deflateInit(&stream, Z_BEST_SPEED) != Z_OK) return false;
    bool ok = false;
    try {
        ok = compressRows(image, 0, image.height, stream, true, compressed);
    } catch (...) {
        deflateEnd(&stream);
        throw;
    }
    deflateEnd(&stream);
    return ok;
}

} // namespace

bool encodePng(const PixelImage& image, std::vector<uint8_t>& png) {
    png.clear();
    if (image.width == 0 || image.height == 0) return false;
    if (image.width > kMaxDimension || image.height > kMaxDimension) return false;
    const size_t w = image.width;
    const size_t h = image.height;
    if (w > (SIZE_MAX - 1) / 4 / h) return false;
    if (image.bgra.size() != w * h * 4) return false;

    try {
        std::vector<uint8_t> compressed;
        if (!compressImage(image, compressed)) return false;

        uint8_t header[13];
        const uint32_t dims[2] = {image.width, image.height};
        for (int i = 0; i < 2; ++i) {
            header[i * 4 + 0] = static_cast<uint8_t>(dims[i] >> 24);
            header[i * 4 + 1] = static_cast<uint8_t>(dims[i] >> 16);
            header[i * 4 + 2] = static_cast<uint8_t>(dims[i] >> 8);
            header[i * 4 + 3] = static_cast<uint8_t>(dims[i]);
        }
        header[8] = 8;  // bits per channel
        header[9] = 6;  // colour type: RGBA
        header[10] = 0; // deflate
        header[11] = 0; // adaptive filtering (one filter byte per row)
        header[12] = 0; // not interlaced

        png.reserve(compressed.size() + 64 + compressed.size() / kMaxChunkData * 12);
        png.insert(png.end(), kSignature, kSignature + 8);
        putChunk(png, "IHDR", header, sizeof header);
        size_t at = 0;
        do {
            const size_t size = std::min(compressed.size() - at, kMaxChunkData);
            putChunk(png, "IDAT", compressed.data() + at, size);
            at += size;
        } while (at < compressed.size());
        putChunk(png, "IEND", nullptr, 0);
        return true;
    } catch (const std::exception&) { // out of memory
        png.clear();
        png.shrink_to_fit();
        return false;
    }
}

} // namespace orvex
