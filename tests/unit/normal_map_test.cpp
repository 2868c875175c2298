// The normal-map kernel (pixel values of known images and of a scalar reference), the row
// pieces it runs in, and CreateNormal from image file to PNG file.
#include "image/normal_map.h"
#include "image/png_writer.h"
#include "image/row_pool.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/fake_platform.h"
#include "support/images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <atomic>
#include <cmath>
#include <mutex>
#include <vector>

using namespace orvex;
using orvex::test::FakePlatform;
using orvex::test::TempFolder;

namespace {

using test::randomImage;

using Rgb = std::array<int, 3>;

PixelImage filled(uint32_t w, uint32_t h, std::array<uint8_t, 4> bgra) {
    PixelImage image;
    image.width = w;
    image.height = h;
    for (size_t i = 0; i < size_t(w) * h; ++i) image.bgra.insert(image.bgra.end(), bgra.begin(), bgra.end());
    return image;
}

void setGrey(PixelImage& image, uint32_t x, uint32_t y, uint8_t value) {
    uint8_t* p = &image.bgra[(size_t(y) * image.width + x) * 4];
    p[0] = p[1] = p[2] = value;
}

Rgb rgbAt(const PixelImage& image, uint32_t x, uint32_t y) {
    const uint8_t* p = &image.bgra[(size_t(y) * image.width + x) * 4];
    return {p[2], p[1], p[0]};
}

PixelImage normals(const PixelImage& source) {
    PixelImage out;
    computeNormalMap(source, out);
    return out;
}

// The kernel written out plainly: four channels each with its own sum, then the channel
// weights 1, 1, 1, 0.
PixelImage referenceNormals(const PixelImage& src) {
    const uint32_t w = src.width, h = src.height;
    PixelImage out = src;
    auto hc = [&](uint32_t x, uint32_t y, int c) {
        return static_cast<float>(src.bgra[(size_t(y) * w + x) * 4 + c]) / 255.0f;
    };
    const float weight[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t xl = x == 0 ? w - 1 : x - 1, xr = x == w - 1 ? 0 : x + 1;
            const uint32_t yu = y == 0 ? h - 1 : y - 1, yd = y == h - 1 ? 0 : y + 1;
            float sx[4], sy[4];
            for (int c = 0; c < 4; ++c) {
                sx[c] = 2.0f * hc(xl, y, c) + hc(xl, yu, c) + hc(xl, yd, c) - hc(xr, yu, c) -
                        2.0f * hc(xr, y, c) - hc(xr, yd, c);
                sy[c] = 2.0f * hc(x, yu, c) + hc(xl, yu, c) + hc(xr, yu, c) - hc(xl, yd, c) -
                        2.0f * hc(x, yd, c) - hc(xr, yd, c);
            }
            const float gx = sx[0] * weight[0] + sx[1] * weight[1] + sx[2] * weight[2] + sx[3] * weight[3];
            const float gy = sy[0] * weight[0] + sy[1] * weight[1] + sy[2] * weight[2] + sy[3] * weight[3];
            const float n = std::sqrt(gx * gx + gy * gy + 1.0f);
            const float u = gx / n * 0.5f + 0.5f;
            const float v = gy / n * 0.5f + 0.5f;
            const float s = 255.0f / std::sqrt(u * u + v * v + 1.0f);
            uint8_t* p = &out.bgra[(size_t(y) * w + x) * 4];
            p[0] = static_cast<uint8_t>(static_cast<int>(s) & 0xFF);
            p[1] = static_cast<uint8_t>(static_cast<int>(u * s) & 0xFF);
            p[2] = static_cast<uint8_t>(static_cast<int>(v * s) & 0xFF);
            p[3] = 255;
        }
    }
    return out;
}

void writePng(const std::string& path, const PixelImage& image) {
    std::vector<uint8_t> png;
    ASSERT_TRUE(encodePng(image, png));
    test::writeFileBytes(path, std::string(png.begin(), png.end()));
}

} // namespace

TEST(NormalMapKernel, UniformImageIsFlat) {
    for (const PixelImage& image : {filled(1, 1, {0, 0, 0, 255}), filled(5, 3, {10, 200, 77, 128}),
                                    filled(2, 7, {255, 255, 255, 0})}) {
        const PixelImage out = normals(image);
        ASSERT_EQ(out.width, image.width);
        ASSERT_EQ(out.height, image.height);
        for (size_t i = 0; i < out.bgra.size(); i += 4) {
            EXPECT_EQ(out.bgra[i + 0], 208);
            EXPECT_EQ(out.bgra[i + 1], 104);
            EXPECT_EQ(out.bgra[i + 2], 104);
            EXPECT_EQ(out.bgra[i + 3], 255);
        }
    }
}

TEST(NormalMapKernel, EdgesWrapAroundBothWays) {
    PixelImage columns = filled(4, 4, {0, 0, 0, 255});
    PixelImage rows = columns;
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 2; ++x) {
            setGrey(columns, x, y, 255); // two left columns white
            setGrey(rows, y, x, 255);    // two top rows white
        }
    const PixelImage c = normals(columns);
    const PixelImage r = normals(rows);
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(rgbAt(c, 0, i), (Rgb{114, 0, 228}));
        EXPECT_EQ(rgbAt(c, 1, i), (Rgb{85, 169, 170}));
        EXPECT_EQ(rgbAt(c, 2, i), (Rgb{85, 169, 170}));
        EXPECT_EQ(rgbAt(c, 3, i), (Rgb{114, 0, 228}));
        EXPECT_EQ(rgbAt(r, i, 0), (Rgb{0, 114, 228}));
        EXPECT_EQ(rgbAt(r, i, 1), (Rgb{169, 85, 170}));
        EXPECT_EQ(rgbAt(r, i, 2), (Rgb{169, 85, 170}));
        EXPECT_EQ(rgbAt(r, i, 3), (Rgb{0, 114, 228}));
    }
}

TEST(NormalMapKernel, SingleRowIsItsOwnNeighbour) {
    PixelImage image = filled(3, 1, {0, 0, 0, 255});
    setGrey(image, 1, 0, 255);
    const PixelImage out = normals(image);
    EXPECT_EQ(rgbAt(out, 0, 0), (Rgb{114, 0, 228}));
    EXPECT_EQ(rgbAt(out, 1, 0), (Rgb{104, 104, 208}));
    EXPECT_EQ(rgbAt(out, 2, 0), (Rgb{85, 169, 170}));
}

TEST(NormalMapKernel, AlphaHasNoEffect) {
    PixelImage a = randomImage(31, 9, 7);
    PixelImage b = a;
    for (size_t i = 3; i < b.bgra.size(); i += 4) b.bgra[i] = static_cast<uint8_t>(b.bgra[i] ^ 0x5A);
    EXPECT_EQ(normals(a).bgra, normals(b).bgra);
}

TEST(NormalMapKernel, LargeImageMatchesThePlainKernel) {
    // Odd sizes, so that the row pieces differ in length and the last column wraps.
    const PixelImage image = randomImage(613, 389, 2027);
    const PixelImage out = normals(image);
    const PixelImage expected = referenceNormals(image);
    ASSERT_EQ(out.bgra.size(), expected.bgra.size());
    size_t differing = 0;
    for (size_t i = 0; i < out.bgra.size(); ++i) differing += out.bgra[i] != expected.bgra[i];
    EXPECT_EQ(differing, 0u);
    // Smooth gradients too, where truncation sits close to whole numbers.
    PixelImage ramp = filled(97, 61, {0, 0, 0, 255});
    for (uint32_t y = 0; y < 61; ++y)
        for (uint32_t x = 0; x < 97; ++x) setGrey(ramp, x, y, static_cast<uint8_t>((x * 3 + y * 5) & 0xFF));
    EXPECT_EQ(normals(ramp).bgra, referenceNormals(ramp).bgra);
}

TEST(NormalMapKernel, BufferThatDoesNotMatchItsSizeGivesNothing) {
    PixelImage image = filled(4, 4, {1, 2, 3, 4});
    image.bgra.pop_back();
    PixelImage out = filled(1, 1, {0, 0, 0, 0});
    computeNormalMap(image, out);
    EXPECT_EQ(out.width, 0u);
    EXPECT_EQ(out.height, 0u);
    EXPECT_TRUE(out.bgra.empty());
    computeNormalMap(PixelImage{}, out);
    EXPECT_EQ(out.width, 0u);
}

TEST(RowPieces, CoverEveryRowOnceInNearlyEqualContiguousPieces) {
    for (uint32_t count : {0u, 1u, 2u, 3u, 7u, 64u, 1001u}) {
        std::vector<std::atomic<int>> seen(count);
        std::mutex lock;
        std::vector<std::pair<uint32_t, uint32_t>> pieces;
        forEachRowPiece(count, [&](uint32_t first, uint32_t last) {
            for (uint32_t i = first; i < last; ++i) ++seen[i];
            std::lock_guard<std::mutex> guard(lock);
            pieces.emplace_back(first, last);
        });
        for (uint32_t i = 0; i < count; ++i) EXPECT_EQ(seen[i].load(), 1) << count << " row " << i;
        EXPECT_EQ(pieces.size(), size_t(rowPieceCount(count)));
        if (pieces.empty()) continue;
        uint32_t shortest = UINT32_MAX, longest = 0;
        for (auto [first, last] : pieces) {
            EXPECT_LT(first, last);
            shortest = std::min(shortest, last - first);
            longest = std::max(longest, last - first);
        }
        EXPECT_LE(longest - shortest, 1u) << count;
    }
}

class CreateNormalFile : public ::testing::Test {
protected:
    FakePlatform fake;
    TempFolder temp;
    std::u16string path(const std::string& name) const { return fromUtf8(temp.file(name)); }
};

TEST_F(CreateNormalFile, WritesThePngOfTheKernelsPixels) {
    for (const auto& [w, h] : {std::pair{1u, 1u}, std::pair{7u, 5u}, std::pair{33u, 2u}}) {
        const PixelImage source = randomImage(w, h, w * 100 + h);
        writePng(temp.file("src.png"), source);
        ASSERT_TRUE(CreateNormal(path("src.png"), path("src.png_Normal.png"))) << w << "x" << h;
        PixelImage written;
        ASSERT_TRUE(platform().decodeImage(path("src.png_Normal.png"), written));
        EXPECT_EQ(written.width, w);
        EXPECT_EQ(written.height, h);
        EXPECT_EQ(written.bgra, referenceNormals(source).bgra);
    }
}

TEST_F(CreateNormalFile, ReplacesAnEarlierOutput) {
    test::writeFileBytes(temp.file("out.png"), std::string(100000, 'x'));
    writePng(temp.file("src.png"), filled(2, 2, {9, 9, 9, 255}));
    ASSERT_TRUE(CreateNormal(path("src.png"), path("out.png")));
    PixelImage written;
    ASSERT_TRUE(platform().decodeImage(path("out.png"), written));
    EXPECT_EQ(written.bgra, filled(2, 2, {208, 104, 104, 255}).bgra);
}

TEST_F(CreateNormalFile, UnreadableInputWritesNothing) {
    EXPECT_FALSE(CreateNormal(path("missing.png"), path("a_Normal.png")));
    EXPECT_FALSE(pathExists(path("a_Normal.png")));

    test::writeFileBytes(temp.file("notes.png"), "this is not an image\n");
    EXPECT_FALSE(CreateNormal(path("notes.png"), path("b_Normal.png")));
    EXPECT_FALSE(pathExists(path("b_Normal.png")));

    // A header that announces more pixels than the decoder will hold.
    std::vector<uint8_t> png;
    ASSERT_TRUE(encodePng(filled(1, 1, {1, 2, 3, 255}), png));
    const uint8_t huge[8] = {0, 0, 0x9C, 0x40, 0, 0, 0x9C, 0x40}; // 40000 x 40000
    std::copy(huge, huge + 8, png.begin() + 16);
    test::writeFileBytes(temp.file("huge.png"), std::string(png.begin(), png.end()));
    EXPECT_FALSE(CreateNormal(path("huge.png"), path("c_Normal.png")));
    EXPECT_FALSE(pathExists(path("c_Normal.png")));
}

TEST_F(CreateNormalFile, UnwritableOutputFailsWithoutLeftovers) {
    writePng(temp.file("src.png"), filled(3, 3, {1, 2, 3, 255}));
    EXPECT_FALSE(CreateNormal(path("src.png"), path("no-such-folder/out.png")));
    EXPECT_FALSE(pathExists(path("no-such-folder")));
}
