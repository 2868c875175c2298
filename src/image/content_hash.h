// A 64-bit hash of a byte stream (four multiply-rotate lanes over 32-byte stripes, then a
// final mix), fast enough to run over a texture or a whole normal map at memory speed. It
// tells a changed file from an unchanged one; it is no defence against someone who forges
// a collision on purpose.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvex {

class ContentHash {
public:
    ContentHash();
    // Feeds the next bytes of the stream: bytes fed in any pieces give the hash of the whole,
    // so a file read in chunks and the same file held in pieces of another size agree.
    void add(const void* bytes, size_t size);
    // The hash of everything fed so far; more may be added afterwards.
    uint64_t value() const;

private:
    uint64_t lanes_[4];
    uint64_t total_ = 0;
    unsigned char tail_[32]; // the start of a stripe not yet complete
    size_t tailSize_ = 0;
};

// The hash of one buffer.
uint64_t contentHash(const void* bytes, size_t size);

} // namespace orvex
