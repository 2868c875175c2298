// The lanes take 8 bytes each per stripe and never wait for one another, so the loop runs at
// about the speed memory delivers the bytes.
#include "image/content_hash.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace orvex {

namespace {

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t kPrime3 = 0x165667B19E3779F9ull;
constexpr size_t kStripe = 32;

uint64_t load64(const unsigned char* p) {
    if constexpr (std::endian::native == std::endian::little) {
        uint64_t v;
        std::memcpy(&v, p, 8);
        return v;
    } else {
        uint64_t v = 0;
        for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
        return v;
    }
}

uint64_t mixLane(uint64_t lane, uint64_t word) { return std::rotl(lane + word * kPrime2, 31) * kPrime1; }

void stripes(uint64_t lanes[4], const unsigned char* p, size_t count) {
    uint64_t a = lanes[0], b = lanes[1], c = lanes[2], d = lanes[3];
    for (size_t i = 0; i < count; ++i, p += kStripe) {
        a = mixLane(a, load64(p));
        b = mixLane(b, load64(p + 8));
        c = mixLane(c, load64(p + 16));
        d = mixLane(d, load64(p + 24));
    }
    lanes[0] = a;
    lanes[1] = b;
    lanes[2] = c;
    lanes[3] = d;
}

} // namespace

ContentHash::ContentHash() : lanes_{kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1} {}

void ContentHash::add(const void* bytes, size_t size) {
    const unsigned char* p = static_cast<const unsigned char*>(bytes);
    total_ += size;
    if (tailSize_ > 0) {
        const size_t take = std::min(size, kStripe - tailSize_);
        std::memcpy(tail_ + tailSize_, p, take);
        tailSize_ += take;
        p += take;
        size -= take;
        if (tailSize_ < kStripe) return;
        stripes(lanes_, tail_, 1);
        tailSize_ = 0;
    }
    const size_t whole = size / kStripe;
    stripes(lanes_, p, whole);
    p += whole * kStripe;
    size -= whole * kStripe;
    std::memcpy(tail_, p, size);
    tailSize_ = size;
}

uint64_t ContentHash::value() const {
    uint64_t h = std::rotl(lanes_[0], 1) + std::rotl(lanes_[1], 7) + std::rotl(lanes_[2], 12) + std::rotl(lanes_[3], 18);
    const unsigned char* p = tail_;
    size_t left = tailSize_;
    for (; left >= 8; left -= 8, p += 8) h = std::rotl(h ^ mixLane(0, load64(p)), 27) * kPrime1 + kPrime3;
    for (; left > 0; --left, ++p) h = std::rotl(h ^ (*p * kPrime3), 11) * kPrime1;
    h += total_;
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    h *= kPrime3;
    h ^= h >> 32;
    return h;
}

uint64_t contentHash(const void* bytes, size_t size) {
    ContentHash hash;
    hash.add(bytes, size);
    return hash.value();
}

} // namespace orvex
