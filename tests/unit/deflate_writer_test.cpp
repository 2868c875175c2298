// The run deflater: whatever the bytes and however they are cut into blocks and bands, zlib's
// own inflate gives them back exactly.
#include "image/deflate_writer.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <random>
#include <string>
#include <vector>

using namespace orvex;

namespace {

// Raw deflate of the parts, each part a band of its own coded in blocks of blockSize bytes.
std::vector<uint8_t> deflateBands(const std::vector<std::string>& parts, size_t blockSize) {
    std::vector<uint8_t> out;
    for (size_t b = 0; b < parts.size(); ++b) {
        RunDeflater deflater;
        const std::string& part = parts[b];
        for (size_t at = 0; at < part.size(); at += blockSize) {
            const size_t n = std::min(blockSize, part.size() - at);
            std::vector<uint8_t> block(RunDeflater::bound(n));
            const size_t written = deflater.code(reinterpret_cast<const uint8_t*>(part.data()) + at, n, block.data());
            EXPECT_LE(written, block.size());
            out.insert(out.end(), block.begin(), block.begin() + written);
        }
        uint8_t tail[16];
        const size_t written = deflater.end(b + 1 == parts.size(), tail);
        out.insert(out.end(), tail, tail + written);
    }
    return out;
}

std::string inflateRaw(const std::vector<uint8_t>& stream, size_t expected) {
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
    std::string out(expected + 16, '\0');
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = static_cast<uInt>(stream.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END) << (z.msg ? z.msg : "");
    EXPECT_EQ(z.avail_in, 0u); // nothing after the final block
    out.resize(z.total_out);
    inflateEnd(&z);
    return out;
}

std::string noise(size_t n, uint32_t seed, int spread) {
    std::mt19937 random(seed);
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(random() % spread);
    return s;
}

} // namespace

TEST(RunDeflater, AnyBytesInflateBackExactly) {
    const std::vector<std::string> inputs = {
        std::string(1, 'x'),
        std::string(1000, '\0'),                // one long run: lengths up to 258 and beyond
        std::string(259, 'a') + std::string(3, 'a') + "b" + std::string(2, 'b'),
        noise(70000, 1, 256),                   // all literals, every byte value
        noise(70000, 2, 3),                     // few values, short runs everywhere
        noise(5000, 3, 2) + std::string(5000, 'z') + noise(5000, 4, 256),
    };
    for (size_t i = 0; i < inputs.size(); ++i)
        for (size_t blockSize : {size_t(1), size_t(7), size_t(4096), size_t(1) << 20}) {
            if (blockSize == 1 && inputs[i].size() > 5000) continue;
            SCOPED_TRACE("input " + std::to_string(i) + ", blocks of " + std::to_string(blockSize));
            EXPECT_TRUE(inflateRaw(deflateBands({inputs[i]}, blockSize), inputs[i].size()) == inputs[i]);
        }
}

TEST(RunDeflater, BandsJoinIntoOneStream) {
    // A run may not reach back into the band before: each band starts afresh.
    const std::vector<std::string> bands = {std::string(300, 'q'), std::string(300, 'q'), noise(999, 5, 4), "q"};
    std::string whole;
    for (const auto& b : bands) whole += b;
    EXPECT_TRUE(inflateRaw(deflateBands(bands, 256), whole.size()) == whole);
}

TEST(RunDeflater, RunsPackSmall) {
    // 64 KiB of one value: runs of 258 cost a few bits each.
    const std::vector<uint8_t> stream = deflateBands({std::string(65536, '\7')}, 65536);
    EXPECT_LT(stream.size(), 400u);
}
