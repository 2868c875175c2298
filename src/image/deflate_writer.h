// A deflate encoder made for filtered image rows: literals and runs of the previous byte,
// each block with Huffman codes of its own. On such data it packs about as small as zlib's
// fastest settings and runs several times faster.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvex {

class RunDeflater {
public:
    // The most bytes one call of code() or end() may write.
    static size_t bound(size_t size) { return 2 * size + 1024; }

    // Codes size bytes as one dynamic-Huffman block (not the last) into out; returns the
    // bytes written. Bits that do not fill a byte wait for the next call.
    size_t code(const uint8_t* data, size_t size, uint8_t* out);
    // Ends the band on a byte boundary: with an empty stored block when more bands follow,
    // else with an empty final block. Returns the bytes written.
    size_t end(bool last, uint8_t* out);

private:
    uint64_t bits_ = 0; // pending bits, lowest first
    unsigned count_ = 0;
    int previous_ = -1; // the last byte coded, -1 before the first
    std::vector<uint16_t> symbols_; // of the block being coded, kept between calls
};

} // namespace orvex
