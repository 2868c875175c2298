// The seal lies at a fixed place, right after IHDR, so that a reader finds it in the first
// bytes it reads and can reject a map made from another source before reading further. The
// hash covers every chunk's length, type, data and CRC, so the chunks' own CRCs need not be
// computed again: a file that matches the hash has them all as they were written.
#include "image/png_seal.h"

#include "image/content_hash.h"
#include "platform/files.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>

namespace orvex {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr size_t kHeadSize = 8 + 12 + 13; // signature and the IHDR chunk
constexpr uint8_t kEnd[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
constexpr size_t kHashSize = 8;
// A record is a few fields; anything longer is not a seal this program wrote.
constexpr size_t kLargestSeal = 4096;
constexpr size_t kReadPiece = size_t(1) << 20;

uint32_t bigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

void putBigEndian32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// The CRC of a chunk's type and data (the chunk starts at p with its length).
uint32_t chunkCrc(const uint8_t* p, size_t dataSize) {
    return static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0), p + 4, static_cast<uInt>(dataSize + 4)));
}

// True when a whole chunk of this type, with its CRC right, starts at p within size bytes.
bool chunkAt(const uint8_t* p, size_t size, const char type[4], uint32_t& dataSize) {
    if (size < 12) return false;
    dataSize = bigEndian32(p);
    if (dataSize > size - 12 || std::memcmp(p + 4, type, 4) != 0) return false;
    return chunkCrc(p, dataSize) == bigEndian32(p + 8 + dataSize);
}

// The last 12 bytes of everything kept so far.
void keepLast(uint8_t last[12], size_t& kept, const uint8_t* p, size_t size) {
    if (size >= 12) {
        std::memcpy(last, p + size - 12, 12);
        kept = 12;
        return;
    }
    const size_t keep = std::min(kept, 12 - size);
    std::memmove(last, last + kept - keep, keep);
    std::memcpy(last + keep, p, size);
    kept = keep + size;
}

} // namespace

bool sealPng(PngPieces& png, const char type[4], const std::vector<uint8_t>& record) {
    if (png.pieces.empty() || png.pieces[0].size != kHeadSize ||
        std::memcmp(png.pieces[0].bytes.get(), kSignature, 8) != 0 ||
        std::memcmp(png.pieces[0].bytes.get() + 12, "IHDR", 4) != 0 || record.size() + kHashSize > kLargestSeal)
        return false;
    ContentHash hash;
    for (const PngPiece& piece : png.pieces) hash.add(piece.bytes.get(), piece.size);
    const uint64_t sum = hash.value();
    try {
        const size_t dataSize = record.size() + kHashSize;
        PngPiece seal{std::unique_ptr<uint8_t[]>(new uint8_t[12 + dataSize]), 12 + dataSize};
        uint8_t* p = seal.bytes.get();
        putBigEndian32(p, static_cast<uint32_t>(dataSize));
        std::memcpy(p + 4, type, 4);
        if (!record.empty()) std::memcpy(p + 8, record.data(), record.size());
        putBigEndian32(p + 8 + record.size(), static_cast<uint32_t>(sum >> 32));
        putBigEndian32(p + 12 + record.size(), static_cast<uint32_t>(sum));
        putBigEndian32(p + 8 + dataSize, chunkCrc(p, dataSize));
        png.pieces.insert(png.pieces.begin() + 1, std::move(seal));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool readPngSeal(const std::u16string& path, const char type[4],
                 const std::function<bool(const uint8_t* record, size_t size)>& accept,
                 std::vector<unsigned char>& buffer) {
    try {
        if (buffer.size() < kReadPiece) buffer.resize(kReadPiece);
    } catch (const std::exception&) {
        return false;
    }
    File file(path, "rb");
    if (!file) return false;
    const uint8_t* p = buffer.data();
    size_t got = file.read(buffer.data(), buffer.size());

    uint32_t headerSize = 0, sealSize = 0;
    if (got < kHeadSize || std::memcmp(p, kSignature, 8) != 0 || !chunkAt(p + 8, got - 8, "IHDR", headerSize) ||
        headerSize != 13 || !chunkAt(p + kHeadSize, got - kHeadSize, type, sealSize) || sealSize < kHashSize ||
        sealSize > kLargestSeal)
        return false;
    const uint8_t* record = p + kHeadSize + 8;
    const size_t recordSize = sealSize - kHashSize;
    if (!accept(record, recordSize)) return false;
    const uint64_t sealed = uint64_t(bigEndian32(record + recordSize)) << 32 | bigEndian32(record + recordSize + 4);

    ContentHash hash;
    hash.add(p, kHeadSize);
    const size_t restAt = kHeadSize + 12 + sealSize;
    uint8_t last[12];
    size_t kept = 0, rest = got - restAt;
    hash.add(p + restAt, got - restAt);
    keepLast(last, kept, p + restAt, got - restAt);
    while ((got = file.read(buffer.data(), buffer.size())) > 0) {
        hash.add(p, got);
        keepLast(last, kept, p, got);
        rest += got;
    }
    if (file.failed()) return false;
    // At least an IEND after the seal, and the file ends with it.
    return rest >= sizeof kEnd && std::memcmp(last, kEnd, sizeof kEnd) == 0 && hash.value() == sealed;
}

} // namespace orvex
