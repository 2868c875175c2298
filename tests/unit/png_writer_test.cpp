// The PNG writer: the exact frame of the file, and pixels that decode back exactly.
#include "image/png_writer.h"
#include "platform/text.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <random>
#include <string>

using namespace orvex;
using orvex::test::FakePlatform;
using orvex::test::TempFolder;

namespace {

PixelImage randomImage(uint32_t w, uint32_t h, uint32_t seed) {
    std::mt19937 random(seed);
    PixelImage image;
    image.width = w;
    image.height = h;
    image.bgra.resize(size_t(w) * h * 4);
    for (auto& b : image.bgra) b = static_cast<uint8_t>(random());
    return image;
}

uint32_t bigEndian(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

class PngWriter : public ::testing::Test {
protected:
    FakePlatform fake;
    TempFolder temp;

    PixelImage roundTrip(const PixelImage& image) {
        std::vector<uint8_t> png;
        EXPECT_TRUE(encodePng(image, png));
        test::writeFileBytes(temp.file("t.png"), std::string(png.begin(), png.end()));
        PixelImage back;
        EXPECT_TRUE(platform().decodeImage(fromUtf8(temp.file("t.png")), back));
        return back;
    }
};

} // namespace

TEST_F(PngWriter, OnePixelFileHasTheExactFrame) {
    PixelImage image;
    image.width = 1;
    image.height = 1;
    image.bgra = {0x30, 0x20, 0x10, 0x40}; // blue, green, red, alpha
    std::vector<uint8_t> png;
    ASSERT_TRUE(encodePng(image, png));
    const std::vector<uint8_t> head = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A,
                                       0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                       0, 0, 0, 1, 0, 0, 0, 1, 8, 6, 0, 0, 0};
    ASSERT_GT(png.size(), head.size() + 4 + 12);
    EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + head.size()), head);
    EXPECT_EQ(bigEndian(png, 29), crc32(0, png.data() + 12, 17));
    const std::vector<uint8_t> tail = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    EXPECT_EQ(std::vector<uint8_t>(png.end() - 12, png.end()), tail);

    // One IDAT whose zlib stream holds the Sub filter byte and the pixel as RGBA.
    ASSERT_EQ(std::string(png.begin() + 37, png.begin() + 41), "IDAT");
    const uint32_t size = bigEndian(png, 33);
    ASSERT_EQ(png.size(), 33 + 12 + size + 12);
    EXPECT_EQ(bigEndian(png, 41 + size), crc32(0, png.data() + 37, size + 4));
    uint8_t raw[16];
    uLongf rawSize = sizeof raw;
    ASSERT_EQ(uncompress(raw, &rawSize, png.data() + 41, size), Z_OK);
    EXPECT_EQ(std::vector<uint8_t>(raw, raw + rawSize), (std::vector<uint8_t>{1, 0x10, 0x20, 0x30, 0x40}));
}

TEST_F(PngWriter, PixelsDecodeBackExactly) {
    for (const auto& [w, h] : {std::pair{1u, 1u}, std::pair{1u, 9u}, std::pair{13u, 1u},
                               std::pair{33u, 17u}}) {
        const PixelImage image = randomImage(w, h, w * 31 + h);
        const PixelImage back = roundTrip(image);
        EXPECT_EQ(back.width, w);
        EXPECT_EQ(back.height, h);
        EXPECT_EQ(back.bgra, image.bgra) << w << "x" << h;
    }
}

TEST_F(PngWriter, OutputLargerThanOneCompressionWindowDecodes) {
    // Random bytes barely compress, so the stream passes many 64 KiB output windows.
    const PixelImage image = randomImage(600, 300, 99);
    EXPECT_EQ(roundTrip(image).bgra, image.bgra);
}

TEST_F(PngWriter, EmptyOrInconsistentImagesAreRefused) {
    std::vector<uint8_t> png = {1, 2, 3};
    EXPECT_FALSE(encodePng(PixelImage{}, png));
    EXPECT_TRUE(png.empty());
    PixelImage image = randomImage(3, 2, 1);
    image.bgra.push_back(0);
    EXPECT_FALSE(encodePng(image, png));
    image.width = 0;
    EXPECT_FALSE(encodePng(image, png));
    EXPECT_TRUE(png.empty());
}
