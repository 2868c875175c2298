// The record is four big-endian fields, as PNG writes its numbers: source size, source time,
// source hash, then the two parameter numbers.
#include "image/normal_map_origin.h"

#include "image/content_hash.h"
#include "image/png_seal.h"
#include "platform/files.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <system_error>

namespace orvex {

namespace {

// Ancillary, private, not safe to copy into an edited image.
constexpr char kOriginChunk[4] = {'o', 'r', 'N', 'M'};
constexpr size_t kRecordSize = 8 + 8 + 8 + 4 + 4;
constexpr size_t kReadPiece = size_t(1) << 20;

std::filesystem::path fsPath(const std::u16string& path) {
#ifdef _WIN32
    return std::filesystem::path(path);
#else
    return std::filesystem::path(nativePath(path));
#endif
}

void put(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

} // namespace

bool examineFile(const std::u16string& path, bool withHash, FileState& state, std::vector<unsigned char>& buffer) {
    std::error_code error;
    const std::filesystem::path file = fsPath(path);
    const uintmax_t size = std::filesystem::file_size(file, error);
    if (error) return false;
    const auto modified = std::filesystem::last_write_time(file, error);
    if (error) return false;
    state.size = size;
    state.modified = static_cast<int64_t>(modified.time_since_epoch().count());
    state.hash = 0;
    if (!withHash) return true;

    try {
        if (buffer.size() < kReadPiece) buffer.resize(kReadPiece);
    } catch (const std::exception&) {
        return false;
    }
    File f(path, "rb");
    if (!f) return false;
    ContentHash hash;
    uint64_t read = 0;
    size_t got;
    while ((got = f.read(buffer.data(), buffer.size())) > 0) {
        hash.add(buffer.data(), got);
        read += got;
    }
    state.hash = hash.value();
    return !f.failed() && read == state.size;
}

std::vector<uint8_t> originRecord(const NormalMapOrigin& origin) {
    std::vector<uint8_t> record;
    record.reserve(kRecordSize);
    put(record, origin.source.size, 8);
    put(record, static_cast<uint64_t>(origin.source.modified), 8);
    put(record, origin.source.hash, 8);
    put(record, origin.parameters.kernel, 4);
    put(record, origin.parameters.encoding, 4);
    return record;
}

bool sealWithOrigin(PngPieces& png, const NormalMapOrigin& origin) {
    try {
        return sealPng(png, kOriginChunk, originRecord(origin));
    } catch (const std::exception&) {
        return false;
    }
}

bool mapHasOrigin(const std::u16string& path, const NormalMapOrigin& origin, std::vector<unsigned char>& buffer) {
    std::vector<uint8_t> expected;
    try {
        expected = originRecord(origin);
    } catch (const std::exception&) {
        return false;
    }
    const auto sameOrigin = [&expected](const uint8_t* record, size_t size) {
        return size == expected.size() && std::equal(expected.begin(), expected.end(), record);
    };
    return readPngSeal(path, kOriginChunk, sameOrigin, buffer);
}

} // namespace orvex
