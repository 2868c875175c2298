// The normal maps generated so far, each with the state of its source and of the written
// file. The check costs two file examinations and one pass of the hash over the source, so an
// unchanged texture costs far less than decoding it.
#include "materials/normal_map_memory.h"

#include "image/normal_map.h"
#include "platform/files.h"

#include <bit>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <system_error>

namespace orvex {

namespace {

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t kPrime3 = 0x165667B19E3779F9ull;
constexpr size_t kHashChunk = size_t(1) << 20;

uint64_t load64(const unsigned char* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

uint64_t mixLane(uint64_t lane, uint64_t word) { return std::rotl(lane + word * kPrime2, 31) * kPrime1; }

std::filesystem::path fsPath(const std::u16string& path) {
#ifdef _WIN32
    return std::filesystem::path(path);
#else
    return std::filesystem::path(nativePath(path));
#endif
}

} // namespace

uint64_t contentHash(const void* bytes, size_t size, uint64_t seed) {
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    uint64_t a = seed + kPrime1 + kPrime2, b = seed + kPrime2, c = seed, d = seed - kPrime1;
    size_t left = size;
    for (; left >= 32; left -= 32, p += 32) {
        a = mixLane(a, load64(p));
        b = mixLane(b, load64(p + 8));
        c = mixLane(c, load64(p + 16));
        d = mixLane(d, load64(p + 24));
    }
    uint64_t h = std::rotl(a, 1) + std::rotl(b, 7) + std::rotl(c, 12) + std::rotl(d, 18);
    for (; left >= 8; left -= 8, p += 8) h = std::rotl(h ^ mixLane(0, load64(p)), 27) * kPrime1 + kPrime3;
    for (; left > 0; --left, ++p) h = std::rotl(h ^ (*p * kPrime3), 11) * kPrime1;
    h += size;
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    h *= kPrime3;
    h ^= h >> 32;
    return h;
}

bool NormalMapMemory::examine(const std::u16string& path, bool withHash, FileState& state) {
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
        if (buffer_.empty()) buffer_.resize(kHashChunk);
    } catch (const std::exception&) {
        return false;
    }
    File f(path, "rb");
    if (!f) return false;
    uint64_t hash = 0, read = 0;
    size_t got;
    while ((got = f.read(buffer_.data(), buffer_.size())) > 0) {
        hash = contentHash(buffer_.data(), got, hash);
        read += got;
    }
    const bool ok = !f.failed() && read == state.size;
    state.hash = hash;
    return ok;
}

bool NormalMapMemory::provide(const std::u16string& source, const std::u16string& output) {
    FileState before;
    const bool sourceKnown = examine(source, true, before);
    if (sourceKnown) {
        const auto it = maps_.find(output);
        FileState written;
        if (it != maps_.end() && it->second.source == source && it->second.sourceState == before &&
            examine(output, false, written) && written == it->second.outputState)
            return true;
    }
    maps_.erase(output);
    if (!CreateNormal(source, output)) return false;
    // Remembered only when the source kept its size and time while it was being read, so
    // that the hash taken before describes what was decoded.
    FileState after, written;
    if (sourceKnown && examine(source, false, after) && after.size == before.size &&
        after.modified == before.modified && examine(output, false, written)) {
        try {
            maps_[output] = Generated{source, before, written};
        } catch (const std::exception&) { // no memory to remember: the next call generates
        }
    }
    return true;
}

} // namespace orvex
