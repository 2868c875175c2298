// Deflate (RFC 1951) blocks of literals and distance-1 matches. Each call codes one block:
// a pass that finds the runs and counts the symbols, Huffman code lengths of at most 15 bits
// (7 for the code-length code) from the counts, then the header and the symbols. Every code
// is complete (at least two symbols), as strict decoders require.
#include "image/deflate_writer.h"

#include <algorithm>
#include <array>
#include <vector>

namespace orvex {

namespace {

constexpr int kLiteralSymbols = 286;
constexpr int kEndOfBlock = 256;
constexpr int kMinRun = 3;
constexpr int kMaxRun = 258;
// The order in which the code-length code's lengths are sent.
constexpr int kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

struct LengthCode {
    uint16_t symbol;
    uint8_t extraBits;
    uint16_t extra;
};

// The length symbol, extra bits and their value for every match length 3..258.
const std::array<LengthCode, kMaxRun + 1>& lengthCodes() {
    static const std::array<LengthCode, kMaxRun + 1> table = [] {
        std::array<LengthCode, kMaxRun + 1> t{};
        constexpr int kBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                   31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
        constexpr int kExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        for (int code = 0; code < 29; ++code) {
            const int last = code == 28 ? 258 : (code == 27 ? 257 : kBase[code + 1] - 1);
            for (int length = kBase[code]; length <= last && length <= kMaxRun; ++length)
                t[length] = {static_cast<uint16_t>(257 + code), static_cast<uint8_t>(kExtra[code]),
                             static_cast<uint16_t>(length - kBase[code])};
        }
        return t;
    }();
    return table;
}

// Huffman code lengths for the counts, none above limit; unused symbols get 0. At least two
// symbols must be used.
void codeLengths(const uint32_t* counts, int symbols, int limit, uint8_t* lengths) {
    std::vector<int> used;
    for (int s = 0; s < symbols; ++s) {
        lengths[s] = 0;
        if (counts[s]) used.push_back(s);
    }
    std::stable_sort(used.begin(), used.end(), [&](int a, int b) { return counts[a] < counts[b]; });
    const int leaves = static_cast<int>(used.size());
    // Two queues: the leaves in order of weight and the inner nodes as they are made, which
    // come out in order of weight too.
    std::vector<uint64_t> weight(2 * size_t(leaves) - 1);
    std::vector<int> parent(2 * size_t(leaves) - 1, -1);
    for (int i = 0; i < leaves; ++i) weight[i] = counts[used[i]];
    int leaf = 0, inner = leaves;
    for (int next = leaves; next < 2 * leaves - 1; ++next) {
        int pair[2];
        for (int& pick : pair) pick = leaf < leaves && (inner >= next || weight[leaf] <= weight[inner]) ? leaf++ : inner++;
        weight[next] = weight[pair[0]] + weight[pair[1]];
        parent[pair[0]] = parent[pair[1]] = next;
    }
    std::vector<int> depth(2 * size_t(leaves) - 1, 0);
    int perLength[64] = {};
    for (int i = 2 * leaves - 3; i >= 0; --i) depth[i] = depth[parent[i]] + 1;
    for (int i = 0; i < leaves; ++i) ++perLength[std::min(depth[i], limit)];
    // Lengths cut to the limit overfill the code; lengthen the longest codes below the limit
    // until it is exactly full again.
    uint32_t fill = 0;
    for (int length = 1; length <= limit; ++length) fill += uint32_t(perLength[length]) << (limit - length);
    while (fill > (1u << limit)) {
        --perLength[limit];
        for (int length = limit - 1; length > 0; --length)
            if (perLength[length]) {
                --perLength[length];
                perLength[length + 1] += 2;
                break;
            }
        --fill;
    }
    // The rarest symbols take the longest codes.
    int next = 0;
    for (int length = limit; length > 0; --length)
        for (int k = 0; k < perLength[length]; ++k) lengths[used[next++]] = static_cast<uint8_t>(length);
}

// Canonical codes for the lengths, bit-reversed for sending lowest bit first.
void canonicalCodes(const uint8_t* lengths, int symbols, uint16_t* codes) {
    int perLength[16] = {};
    for (int s = 0; s < symbols; ++s) ++perLength[lengths[s]];
    perLength[0] = 0;
    int nextCode[16] = {};
    int code = 0;
    for (int length = 1; length < 16; ++length) {
        code = (code + perLength[length - 1]) << 1;
        nextCode[length] = code;
    }
    for (int s = 0; s < symbols; ++s) {
        const int length = lengths[s];
        if (!length) continue;
        int c = nextCode[length]++, reversed = 0;
        for (int i = 0; i < length; ++i, c >>= 1) reversed = (reversed << 1) | (c & 1);
        codes[s] = static_cast<uint16_t>(reversed);
    }
}

// Makes sure at least two symbols are counted, so that every code is complete.
void atLeastTwo(uint32_t* counts, int symbols) {
    int used = 0;
    for (int s = 0; s < symbols; ++s) used += counts[s] != 0;
    for (int s = 0; s < symbols && used < 2; ++s)
        if (!counts[s]) {
            counts[s] = 1;
            ++used;
        }
}

class BitWriter {
public:
    BitWriter(uint64_t& bits, unsigned& count, uint8_t* out) : bits_(bits), count_(count), out_(out) {}
    void put(uint32_t value, unsigned n) {
        bits_ |= uint64_t(value) << count_;
        count_ += n;
        if (count_ >= 32) {
            for (int i = 0; i < 4; ++i) out_[written_++] = static_cast<uint8_t>(bits_ >> (8 * i));
            bits_ >>= 32;
            count_ -= 32;
        }
    }
    // Pads to a byte boundary and writes every whole byte.
    void align() {
        count_ = (count_ + 7) & ~7u;
        while (count_ >= 8) {
            out_[written_++] = static_cast<uint8_t>(bits_);
            bits_ >>= 8;
            count_ -= 8;
        }
    }
    void byte(uint8_t b) { out_[written_++] = b; }
    size_t written() const { return written_; }

private:
    uint64_t& bits_;
    unsigned& count_;
    uint8_t* out_;
    size_t written_ = 0;
};

} // namespace

size_t RunDeflater::code(const uint8_t* data, size_t size, uint8_t* out) {
    const auto& lengthTable = lengthCodes();
    // Symbols: a literal byte, or 256 + the length of a run of the previous byte.
    if (symbols_.size() < size) symbols_.resize(size);
    uint16_t* const symbols = symbols_.data();
    size_t symbolCount = 0;
    uint32_t literalCounts[kLiteralSymbols] = {};
    // Literals are counted in four tables by position, so that a byte value met again and
    // again does not wait for its own count to be stored.
    uint32_t byteCounts[4][256] = {};
    int previous = previous_;
    for (size_t i = 0; i < size;) {
        const uint8_t b = data[i];
        if (b == previous) {
            size_t j = i + 1;
            while (j < size && j - i < kMaxRun && data[j] == b) ++j;
            if (j - i >= kMinRun) {
                symbols[symbolCount++] = static_cast<uint16_t>(256 + (j - i));
                ++literalCounts[lengthTable[j - i].symbol];
                i = j;
                continue;
            }
        }
        previous = b;
        symbols[symbolCount++] = b;
        ++byteCounts[i & 3][b];
        ++i;
    }
    previous_ = previous;
    for (int b = 0; b < 256; ++b) literalCounts[b] = byteCounts[0][b] + byteCounts[1][b] + byteCounts[2][b] + byteCounts[3][b];
    literalCounts[kEndOfBlock] = 1;
    atLeastTwo(literalCounts, kLiteralSymbols);

    uint8_t literalLengths[kLiteralSymbols];
    codeLengths(literalCounts, kLiteralSymbols, 15, literalLengths);
    uint16_t literalCodes[kLiteralSymbols] = {};
    canonicalCodes(literalLengths, kLiteralSymbols, literalCodes);
    // Distances: only distance 1 (code 0) is used; codes 0 and 1 of one bit each keep the
    // distance code complete.
    const uint8_t distanceLengths[2] = {1, 1};

    int literalsSent = kLiteralSymbols;
    while (literalsSent > 257 && literalLengths[literalsSent - 1] == 0) --literalsSent;
    uint8_t all[kLiteralSymbols + 2];
    std::copy(literalLengths, literalLengths + literalsSent, all);
    all[literalsSent] = distanceLengths[0];
    all[literalsSent + 1] = distanceLengths[1];
    const int allCount = literalsSent + 2;
    // The code lengths are sent with code-length symbols 0..15 only, one per length.
    uint32_t lengthCounts[19] = {};
    for (int i = 0; i < allCount; ++i) ++lengthCounts[all[i]];
    atLeastTwo(lengthCounts, 19);
    uint8_t lengthLengths[19];
    codeLengths(lengthCounts, 19, 7, lengthLengths);
    uint16_t lengthCodes19[19] = {};
    canonicalCodes(lengthLengths, 19, lengthCodes19);
    int lengthsSent = 19;
    while (lengthsSent > 4 && lengthLengths[kCodeLengthOrder[lengthsSent - 1]] == 0) --lengthsSent;

    BitWriter w(bits_, count_, out);
    w.put(0, 1); // not the last block
    w.put(2, 2); // dynamic Huffman codes
    w.put(static_cast<uint32_t>(literalsSent - 257), 5);
    w.put(2 - 1, 5);
    w.put(static_cast<uint32_t>(lengthsSent - 4), 4);
    for (int i = 0; i < lengthsSent; ++i) w.put(lengthLengths[kCodeLengthOrder[i]], 3);
    for (int i = 0; i < allCount; ++i) w.put(lengthCodes19[all[i]], lengthLengths[all[i]]);

    size_t written = w.written();

    // The symbols, with the pending bits kept in registers: nothing written through the
    // output pointer can change them.
    uint64_t bits = bits_;
    unsigned count = count_;
    uint8_t* p = out + written;
    const auto put = [&bits, &count, &p](uint32_t value, unsigned n) {
        bits |= uint64_t(value) << count;
        count += n;
        if (count >= 32) {
            p[0] = static_cast<uint8_t>(bits);
            p[1] = static_cast<uint8_t>(bits >> 8);
            p[2] = static_cast<uint8_t>(bits >> 16);
            p[3] = static_cast<uint8_t>(bits >> 24);
            p += 4;
            bits >>= 32;
            count -= 32;
        }
    };
    for (size_t k = 0; k < symbolCount; ++k) {
        const uint16_t symbol = symbols[k];
        if (symbol < 256) {
            put(literalCodes[symbol], literalLengths[symbol]);
            continue;
        }
        const LengthCode& length = lengthTable[symbol - 256];
        // Length code, its extra bits and the one-bit distance code 0 (distance 1) at once:
        // at most 15 + 5 + 1 bits.
        put(literalCodes[length.symbol] | uint32_t(length.extra) << literalLengths[length.symbol],
            literalLengths[length.symbol] + length.extraBits + 1u);
    }
    put(literalCodes[kEndOfBlock], literalLengths[kEndOfBlock]);
    bits_ = bits;
    count_ = count;
    return size_t(p - out);
}

size_t RunDeflater::end(bool last, uint8_t* out) {
    BitWriter w(bits_, count_, out);
    if (last) {
        w.put(1, 1); // the last block:
        w.put(1, 2); // fixed codes,
        w.put(0, 7); // end of block at once
        w.align();
    } else {
        w.put(0, 1); // an empty stored block: its length fields start on a byte boundary
        w.put(0, 2);
        w.align();
        constexpr uint8_t kEmptyStoredLengths[4] = {0x00, 0x00, 0xFF, 0xFF}; // LEN 0, NLEN its complement
        for (uint8_t b : kEmptyStoredLengths) w.byte(b);
    }
    previous_ = -1;
    return w.written();
}

} // namespace orvex
