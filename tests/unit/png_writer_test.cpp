// The PNG writer: the exact frame of the file, the filters, and any cut of the rows into
// bands on any number of threads giving one valid file whose pixels decode back exactly,
// with stb and with libpng (where libpng-dev is installed).
#include "image/png_writer.h"
#include "platform/text.h"
#include "support/fake_platform.h"
#include "support/images.h"

#include <gtest/gtest.h>

#include <zlib.h>

#ifdef ORVEX_TEST_LIBPNG
#include <png.h>
#endif

#include <cstring>
#include <string>

using namespace orvex;
using orvex::test::randomImage;

namespace {

uint32_t bigEndian(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// Mostly flat with a few bumps: the rows are runs after filtering.
PixelImage flatImage(uint32_t w, uint32_t h) {
    PixelImage image;
    image.width = w;
    image.height = h;
    image.bgra.resize(size_t(w) * h * 4);
    for (size_t i = 0; i < image.bgra.size(); i += 4) {
        image.bgra[i + 0] = 208;
        image.bgra[i + 1] = 104;
        image.bgra[i + 2] = 104;
        image.bgra[i + 3] = 255;
    }
    for (size_t i = 0; i < image.bgra.size(); i += 4 * 97) image.bgra[i] = 7;
    return image;
}

std::vector<uint8_t> joined(const PngPieces& png) {
    std::vector<uint8_t> bytes;
    for (const auto& piece : png.pieces) bytes.insert(bytes.end(), piece.bytes.get(), piece.bytes.get() + piece.size);
    return bytes;
}

struct Chunk {
    std::string type;
    std::vector<uint8_t> data;
};

// The chunks of a PNG file; fails the test on a bad CRC or a frame that does not add up.
std::vector<Chunk> chunksOf(const std::vector<uint8_t>& png) {
    std::vector<Chunk> chunks;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t size = bigEndian(&png[at]);
        if (at + 12 + size > png.size()) break;
        const uint8_t* type = &png[at + 4];
        EXPECT_EQ(bigEndian(type + 4 + size), crc32(0, type, size + 4)) << "CRC of chunk at " << at;
        chunks.push_back({std::string(type, type + 4), std::vector<uint8_t>(type + 4, type + 4 + size)});
        at += 12 + size;
    }
    EXPECT_EQ(at, png.size());
    return chunks;
}

#ifdef ORVEX_TEST_LIBPNG
bool decodeWithLibpng(const std::vector<uint8_t>& file, PixelImage& out) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) return false;
    image.format = PNG_FORMAT_BGRA;
    out.width = image.width;
    out.height = image.height;
    out.bgra.resize(PNG_IMAGE_SIZE(image));
    const bool ok = png_image_finish_read(&image, nullptr, out.bgra.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}
#endif

class PngWriter : public ::testing::Test {
protected:
    test::FakePlatform fake;
    test::TempFolder temp;

    // Encodes with the given bands and threads and checks the file every way there is.
    void expectRoundTrip(const PixelImage& image, uint32_t bandRows, uint32_t workers) {
        SCOPED_TRACE(std::to_string(image.width) + "x" + std::to_string(image.height) + ", bands of " +
                     std::to_string(bandRows) + " rows, " + std::to_string(workers) + " threads");
        PngPieces pieces;
        ASSERT_TRUE(encodePngPieces(image, pieces, bandRows, workers));
        const std::vector<uint8_t> file = joined(pieces);
        EXPECT_EQ(pieces.size(), file.size());

        // One IDAT per band, holding together one zlib stream of the filtered rows.
        const std::vector<Chunk> chunks = chunksOf(file);
        const uint32_t bands = bandRows == 0 ? 0 : (image.height + bandRows - 1) / bandRows;
        ASSERT_GE(chunks.size(), 3u);
        EXPECT_EQ(chunks.front().type, "IHDR");
        EXPECT_EQ(chunks.back().type, "IEND");
        std::vector<uint8_t> stream;
        for (size_t i = 1; i + 1 < chunks.size(); ++i) {
            EXPECT_EQ(chunks[i].type, "IDAT");
            stream.insert(stream.end(), chunks[i].data.begin(), chunks[i].data.end());
        }
        if (bands) {
            EXPECT_EQ(chunks.size() - 2, bands);
        }
        std::vector<uint8_t> raw((size_t(image.width) * 4 + 1) * image.height);
        uLongf rawSize = raw.size();
        ASSERT_EQ(uncompress(raw.data(), &rawSize, stream.data(), stream.size()), Z_OK); // checks adler32 too
        EXPECT_EQ(rawSize, raw.size());

        test::writeFileBytes(temp.file("t.png"), std::string(file.begin(), file.end()));
        PixelImage stb;
        ASSERT_TRUE(platform().decodeImage(fromUtf8(temp.file("t.png")), stb));
        EXPECT_EQ(stb.width, image.width);
        EXPECT_EQ(stb.height, image.height);
        EXPECT_TRUE(stb.bgra == image.bgra);
#ifdef ORVEX_TEST_LIBPNG
        PixelImage libpng;
        ASSERT_TRUE(decodeWithLibpng(file, libpng));
        EXPECT_EQ(libpng.width, image.width);
        EXPECT_EQ(libpng.height, image.height);
        EXPECT_TRUE(libpng.bgra == image.bgra);
#endif
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
    EXPECT_EQ(bigEndian(&png[29]), crc32(0, png.data() + 12, 17));
    const std::vector<uint8_t> tail = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    EXPECT_EQ(std::vector<uint8_t>(png.end() - 12, png.end()), tail);

    // One IDAT whose zlib stream holds the Sub filter byte and the pixel as RGBA.
    ASSERT_EQ(std::string(png.begin() + 37, png.begin() + 41), "IDAT");
    const uint32_t size = bigEndian(&png[33]);
    ASSERT_EQ(png.size(), 33 + 12 + size + 12);
    EXPECT_EQ(bigEndian(&png[41 + size]), crc32(0, png.data() + 37, size + 4));
    uint8_t raw[16];
    uLongf rawSize = sizeof raw;
    ASSERT_EQ(uncompress(raw, &rawSize, png.data() + 41, size), Z_OK);
    EXPECT_EQ(std::vector<uint8_t>(raw, raw + rawSize), (std::vector<uint8_t>{1, 0x10, 0x20, 0x30, 0x40}));
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

TEST_F(PngWriter, AnyBandsAndThreadsDecodeToTheSamePixels) {
    const std::pair<uint32_t, uint32_t> sizes[] = {{1, 1}, {1, 9}, {13, 1}, {7, 5}, {33, 17}, {301, 203}};
    for (const auto& [w, h] : sizes) {
        const PixelImage noisy = randomImage(w, h, w * 131 + h);
        const PixelImage flat = flatImage(w, h);
        for (uint32_t bandRows : {1u, 2u, 3u, h})
            for (uint32_t workers : {1u, 2u, 5u}) {
                expectRoundTrip(noisy, bandRows, workers);
                expectRoundTrip(flat, bandRows, workers);
            }
        expectRoundTrip(noisy, 0, 0); // bands and threads as chosen for the image
    }
}

TEST_F(PngWriter, ThreadsDoNotChangeTheBytes) {
    const PixelImage image = randomImage(64, 300, 5);
    PngPieces one, many;
    ASSERT_TRUE(encodePngPieces(image, one, 7, 1));
    ASSERT_TRUE(encodePngPieces(image, many, 7, 8));
    EXPECT_TRUE(joined(one) == joined(many));
    std::vector<uint8_t> whole;
    ASSERT_TRUE(encodePng(image, whole));
    PngPieces chosen;
    ASSERT_TRUE(encodePngPieces(image, chosen));
    EXPECT_TRUE(whole == joined(chosen));
}

TEST_F(PngWriter, TopRowIsSubAndTheRestAverage) {
    PixelImage image = randomImage(3, 4, 9);
    PngPieces pieces;
    ASSERT_TRUE(encodePngPieces(image, pieces, 2, 2));
    std::vector<uint8_t> stream;
    for (const Chunk& c : chunksOf(joined(pieces)))
        if (c.type == "IDAT") stream.insert(stream.end(), c.data.begin(), c.data.end());
    std::vector<uint8_t> raw(13 * 4);
    uLongf rawSize = raw.size();
    ASSERT_EQ(uncompress(raw.data(), &rawSize, stream.data(), stream.size()), Z_OK);
    const auto rgba = [&](uint32_t x, uint32_t y, int c) -> int {
        const int order[4] = {2, 1, 0, 3};
        return x >= 3 ? 0 : image.bgra[(y * 3 + x) * 4 + order[c]];
    };
    for (uint32_t y = 0; y < 4; ++y) {
        EXPECT_EQ(raw[y * 13], y == 0 ? 1 : 3) << "filter of row " << y;
        for (uint32_t x = 0; x < 3; ++x)
            for (int c = 0; c < 4; ++c) {
                const int left = x == 0 ? 0 : rgba(x - 1, y, c);
                const int expected = y == 0 ? rgba(x, y, c) - left : rgba(x, y, c) - (left + rgba(x, y - 1, c)) / 2;
                EXPECT_EQ(raw[y * 13 + 1 + x * 4 + c], static_cast<uint8_t>(expected)) << x << "," << y << "," << c;
            }
    }
}

#ifndef ORVEX_TEST_LIBPNG
TEST_F(PngWriter, LibpngDecodingNotBuilt) { GTEST_SKIP() << "libpng-dev is not installed: files were decoded with stb only"; }
#endif
