// One encoder for the generated normal maps. The top row is filtered with "Sub" (each byte
// minus the byte one pixel to its left), every other row with "Average" (each byte minus the
// mean of the byte to its left and the byte above): two cheap passes that leave small values
// in the smooth areas of a normal map. The rows are compressed in bands of about a megabyte
// on every hardware thread, each band a run of deflate blocks ending on a byte boundary (an
// empty stored block; the last band ends the stream), so the bands joined in order are one
// zlib stream; the adler32 of the whole is combined from the bands' own. The blocks code
// literals and runs only (RunDeflater): the filtered rows of a normal map hold few repeats
// beyond runs, so searching for longer matches costs time for little gain, and bands lose
// nothing by not seeing each other. Every band is its own IDAT chunk, so the bands are never
// copied to join them.
#include "image/png_writer.h"

#include "image/deflate_writer.h"
#include "image/row_pool.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>

namespace orvex {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint8_t kFilterSub = 1;
constexpr uint8_t kFilterAverage = 3;
constexpr uint32_t kMaxDimension = 0x7FFFFFFF; // the format's limit for width and height
constexpr size_t kMaxChunkData = size_t(1) << 30;
// zlib counts its buffers in 32-bit units: feed and drain at most this much at once.
constexpr size_t kMaxZlibStep = size_t(1) << 30;
// Raw bytes per band: many bands per thread, so that threads finish together.
constexpr size_t kBandBytes = size_t(1) << 20;
// Filtered rows are handed to zlib in batches of about this size, kept in cache.
constexpr size_t kBatchBytes = size_t(64) << 10;
constexpr uint8_t kZlibHeader[2] = {0x78, 0x01}; // deflate, 32 KiB window, fastest level
// Input of one deflate block at most, so that a block's symbols stay in cache.
constexpr size_t kMaxBlockInput = size_t(64) << 10;
constexpr uint32_t kAdlerBase = 65521;

void putBigEndian32(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 24);
    at[1] = static_cast<uint8_t>(value >> 16);
    at[2] = static_cast<uint8_t>(value >> 8);
    at[3] = static_cast<uint8_t>(value);
}

uLong crcOf(uLong crc, const uint8_t* p, size_t size) {
    while (size > 0) {
        const uInt step = static_cast<uInt>(std::min(size, kMaxZlibStep));
        crc = crc32(crc, p, step);
        p += step;
        size -= step;
    }
    return crc;
}

uLong adlerOf(uLong adler, const uint8_t* p, size_t size) {
    while (size > 0) {
        const uInt step = static_cast<uInt>(std::min(size, kMaxZlibStep));
        adler = adler32(adler, p, step);
        p += step;
        size -= step;
    }
    return adler;
}

// The adler32 of A followed by B from the adler32 of each and B's length (zlib's method,
// with a 64-bit length so that no band is too long for it).
uint32_t combineAdler(uint32_t adlerA, uint32_t adlerB, uint64_t lengthB) {
    const uint64_t rem = lengthB % kAdlerBase;
    uint64_t sum1 = adlerA & 0xFFFF;
    uint64_t sum2 = (rem * sum1) % kAdlerBase;
    sum1 += (adlerB & 0xFFFF) + kAdlerBase - 1;
    sum2 += ((adlerA >> 16) & 0xFFFF) + ((adlerB >> 16) & 0xFFFF) + kAdlerBase - rem;
    sum1 %= kAdlerBase;
    sum2 %= kAdlerBase;
    return static_cast<uint32_t>(sum1 | (sum2 << 16));
}

// Storage for n bytes that are all written before use, so never cleared.
PngPiece pieceOf(size_t size) { return {std::unique_ptr<uint8_t[]>(new uint8_t[size]), size}; }

// A complete chunk of the given type and data, after prefixSize bytes of the prefix.
PngPiece chunk(const char type[4], const uint8_t* data, size_t size, const uint8_t* prefix = nullptr,
               size_t prefixSize = 0) {
    PngPiece out = pieceOf(prefixSize + 12 + size);
    uint8_t* p = out.bytes.get();
    if (prefixSize) std::memcpy(p, prefix, prefixSize);
    p += prefixSize;
    putBigEndian32(p, static_cast<uint32_t>(size));
    std::memcpy(p + 4, type, 4);
    if (size) std::memcpy(p + 8, data, size);
    putBigEndian32(p + 8 + size, static_cast<uint32_t>(crcOf(crc32(0L, Z_NULL, 0), p + 4, size + 4)));
    return out;
}

// The bytes of one BGRA row as RGBA.
void toRgba(const uint8_t* bgra, uint32_t width, uint8_t* rgba) {
    if constexpr (std::endian::native == std::endian::little) {
        // Blue and red trade places within each little-endian pixel word.
        for (size_t x = 0; x < width; ++x) {
            uint32_t v;
            std::memcpy(&v, bgra + x * 4, 4);
            v = (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
            std::memcpy(rgba + x * 4, &v, 4);
        }
    } else {
        for (size_t x = 0; x < width; ++x) {
            rgba[x * 4 + 0] = bgra[x * 4 + 2];
            rgba[x * 4 + 1] = bgra[x * 4 + 1];
            rgba[x * 4 + 2] = bgra[x * 4 + 0];
            rgba[x * 4 + 3] = bgra[x * 4 + 3];
        }
    }
}

// The filter byte and the filtered bytes of one RGBA row of n bytes.
void filterRow(const uint8_t* row, const uint8_t* above, size_t n, uint8_t* out) {
    if (!above) {
        *out++ = kFilterSub;
        for (size_t i = 0; i < n && i < 4; ++i) out[i] = row[i];
        for (size_t i = 4; i < n; ++i) out[i] = static_cast<uint8_t>(row[i] - row[i - 4]);
        return;
    }
    *out++ = kFilterAverage;
    for (size_t i = 0; i < n && i < 4; ++i) out[i] = static_cast<uint8_t>(row[i] - (above[i] >> 1));
    for (size_t i = 4; i < n; ++i)
        out[i] = static_cast<uint8_t>(row[i] - ((unsigned(row[i - 4]) + unsigned(above[i])) >> 1));
}

// One IDAT chunk being built: 8 bytes of length and type, the data, 4 bytes of CRC.
struct Band {
    PngPiece bytes;        // size is the capacity
    size_t used = 0;       // bytes written so far, the 8 head bytes included
    uint32_t adler = 1;    // of the band's filtered rows
    uint64_t rawBytes = 0; // filtered bytes of the band
    bool ok = false;
};

void grow(Band& band, size_t more);

// What each thread keeps from band to band: its encoder and row buffers.
class BandCompressor {
public:
    bool compress(uint32_t width, const PngRowSource& rows, uint32_t worker, uint32_t firstRow, uint32_t lastRow,
                  bool last, Band& band) {
        const size_t n = size_t(width) * 4;
        const size_t scanline = n + 1;
        const size_t batchRows = std::max<size_t>(1, kBatchBytes / scanline);
        current_.resize(n);
        above_.resize(n);
        batch_.resize(batchRows * scanline);

        // Room for the band's bytes as they come plus one block's worst case, so that the
        // band does not have to grow (and be copied) in the common case; pages not written
        // are never touched.
        const uint64_t raw = uint64_t(lastRow - firstRow) * scanline;
        band.bytes = pieceOf(16 + static_cast<size_t>(std::min<uint64_t>(raw, 2 * kBandBytes)) +
                             RunDeflater::bound(kMaxBlockInput));
        std::memcpy(band.bytes.bytes.get() + 4, "IDAT", 4);
        band.used = 8;
        if (firstRow == 0) {
            std::memcpy(band.bytes.bytes.get() + band.used, kZlibHeader, 2);
            band.used += 2;
        }
        uLong adler = adler32(0L, Z_NULL, 0);
        if (firstRow > 0) toRgba(rows(firstRow - 1, worker), width, above_.data());
        size_t batched = 0;
        for (uint32_t y = firstRow; y < lastRow; ++y) {
            toRgba(rows(y, worker), width, current_.data());
            filterRow(current_.data(), y == 0 ? nullptr : above_.data(), n, batch_.data() + batched);
            batched += scanline;
            current_.swap(above_);
            if (batched + scanline > batch_.size() || y + 1 == lastRow) {
                adler = adlerOf(adler, batch_.data(), batched);
                // A batch of one huge row is coded in pieces of a bounded size.
                for (size_t at = 0; at < batched; at += kMaxBlockInput) {
                    const size_t size = std::min(kMaxBlockInput, batched - at);
                    reserve(band, RunDeflater::bound(size));
                    band.used += deflater_.code(batch_.data() + at, size, band.bytes.bytes.get() + band.used);
                }
                batched = 0;
            }
        }
        // The last band ends the stream; the others end on a byte boundary with the stream
        // left open, so that the next band's blocks follow them directly.
        reserve(band, 16);
        band.used += deflater_.end(last, band.bytes.bytes.get() + band.used);
        band.adler = static_cast<uint32_t>(adler);
        band.rawBytes = uint64_t(lastRow - firstRow) * scanline;
        band.ok = true;
        return true;
    }

private:
    static void reserve(Band& band, size_t room) {
        if (band.bytes.size - band.used < room) grow(band, std::max(room, band.bytes.size / 2));
    }

    RunDeflater deflater_;
    std::vector<uint8_t> current_, above_, batch_;
};

// More room at the end of a band, keeping what it holds.
void grow(Band& band, size_t more) {
    PngPiece bigger = pieceOf(band.bytes.size + more);
    std::memcpy(bigger.bytes.get(), band.bytes.bytes.get(), band.used);
    band.bytes = std::move(bigger);
}

// Closes a band's chunk: length and CRC. A band whose data is too long for one chunk (a
// single row of more than a gigabyte) is cut into several.
void closeBand(Band& band, std::vector<PngPiece>& pieces) {
    const size_t dataSize = band.used - 8;
    if (dataSize <= kMaxChunkData) {
        if (band.bytes.size - band.used < 4) grow(band, 4);
        uint8_t* p = band.bytes.bytes.get();
        putBigEndian32(p, static_cast<uint32_t>(dataSize));
        putBigEndian32(p + band.used, static_cast<uint32_t>(crcOf(crc32(0L, Z_NULL, 0), p + 4, dataSize + 4)));
        band.bytes.size = band.used + 4;
        pieces.push_back(std::move(band.bytes));
        return;
    }
    for (size_t at = 0; at < dataSize; at += kMaxChunkData)
        pieces.push_back(chunk("IDAT", band.bytes.bytes.get() + 8 + at, std::min(kMaxChunkData, dataSize - at)));
    band.bytes = {};
}

bool compressBands(uint32_t width, uint32_t height, const PngRowSource& rows, uint32_t bandRows, uint32_t workers,
                   std::vector<PngPiece>& pieces) {
    const uint32_t bandCount = static_cast<uint32_t>((uint64_t(height) + bandRows - 1) / bandRows);
    std::vector<Band> bands(bandCount);
    std::vector<std::unique_ptr<BandCompressor>> compressors(std::min(workers, bandCount));
    for (auto& compressor : compressors) compressor = std::make_unique<BandCompressor>();
    forEachTask(bandCount, static_cast<uint32_t>(compressors.size()), [&](uint32_t task, uint32_t worker) {
        const uint32_t first = task * bandRows;
        const uint32_t last = static_cast<uint32_t>(std::min<uint64_t>(uint64_t(first) + bandRows, height));
        try {
            compressors[worker]->compress(width, rows, worker, first, last, task + 1 == bandCount, bands[task]);
        } catch (const std::exception&) { // out of memory: the band stays failed
        }
    });
    uint32_t adler = 1;
    for (const Band& band : bands) {
        if (!band.ok) return false;
        adler = combineAdler(adler, band.adler, band.rawBytes);
    }
    // The stream's checksum closes the last band.
    Band& last = bands.back();
    if (last.bytes.size - last.used < 4) grow(last, 4);
    putBigEndian32(last.bytes.bytes.get() + last.used, adler);
    last.used += 4;
    for (Band& band : bands) closeBand(band, pieces);
    return true;
}

} // namespace

uint64_t PngPieces::size() const {
    uint64_t total = 0;
    for (const auto& piece : pieces) total += piece.size;
    return total;
}

bool encodePngRows(uint32_t width, uint32_t height, const PngRowSource& rows, PngPieces& png, uint32_t bandRows,
                   uint32_t workers) {
    png.pieces.clear();
    if (width == 0 || height == 0) return false;
    if (width > kMaxDimension || height > kMaxDimension) return false;
    if (size_t(width) > (SIZE_MAX - 1) / 4) return false;
    if (bandRows == 0) bandRows = static_cast<uint32_t>(std::clamp<size_t>(kBandBytes / (size_t(width) * 4 + 1), 1, height));
    if (workers == 0) workers = hardwareThreads();

    try {
        uint8_t header[13];
        putBigEndian32(header, width);
        putBigEndian32(header + 4, height);
        header[8] = 8;  // bits per channel
        header[9] = 6;  // colour type: RGBA
        header[10] = 0; // deflate
        header[11] = 0; // adaptive filtering (one filter byte per row)
        header[12] = 0; // not interlaced
        png.pieces.push_back(chunk("IHDR", header, sizeof header, kSignature, sizeof kSignature));
        if (!compressBands(width, height, rows, bandRows, workers, png.pieces)) {
            png.pieces.clear();
            return false;
        }
        png.pieces.push_back(chunk("IEND", nullptr, 0));
        return true;
    } catch (const std::exception&) { // out of memory
        png.pieces.clear();
        png.pieces.shrink_to_fit();
        return false;
    }
}

bool encodePngPieces(const PixelImage& image, PngPieces& png, uint32_t bandRows, uint32_t workers) {
    png.pieces.clear();
    const size_t w = image.width;
    const size_t h = image.height;
    if (w == 0 || h == 0 || w > (SIZE_MAX - 1) / 4 / h || image.bgra.size() != w * h * 4) return false;
    const auto rows = [&image](uint32_t y, uint32_t) { return image.bgra.data() + size_t(y) * image.width * 4; };
    return encodePngRows(image.width, image.height, rows, png, bandRows, workers);
}

bool encodePng(const PixelImage& image, std::vector<uint8_t>& png) {
    png.clear();
    PngPieces pieces;
    if (!encodePngPieces(image, pieces)) return false;
    try {
        png.reserve(pieces.size());
        for (const auto& piece : pieces.pieces) png.insert(png.end(), piece.bytes.get(), piece.bytes.get() + piece.size);
        return true;
    } catch (const std::exception&) {
        png.clear();
        png.shrink_to_fit();
        return false;
    }
}

} // namespace orvex
