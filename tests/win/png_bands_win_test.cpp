// The PNG writer's band-joined files as GDI+ reads them: every cut into bands and every
// thread count decodes to the exact pixels written.
#include "image/png_writer.h"
#include "platform/platform.h"
#include "support/images.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace orvex {
namespace {

using test::randomImage;

PixelImage flatImage(uint32_t w, uint32_t h) {
    PixelImage image = randomImage(w, h, 1);
    for (size_t i = 0; i < image.bgra.size(); ++i) image.bgra[i] = i % 4 == 3 ? 255 : (i % 389 == 0 ? 7 : 104);
    return image;
}

class PngBandsUnderGdiplus : public ::testing::Test {
protected:
    void TearDown() override { DeleteFileW(path_.c_str()); }

    void expectDecodes(const PixelImage& image, uint32_t bandRows, uint32_t workers) {
        SCOPED_TRACE(std::to_string(image.width) + "x" + std::to_string(image.height) + ", bands of " +
                     std::to_string(bandRows) + " rows, " + std::to_string(workers) + " threads");
        PngPieces png;
        ASSERT_TRUE(encodePngPieces(image, png, bandRows, workers));
        std::FILE* f = _wfopen(path_.c_str(), L"wb");
        ASSERT_NE(f, nullptr);
        for (const auto& piece : png.pieces) std::fwrite(piece.bytes.get(), 1, piece.size, f);
        std::fclose(f);
        PixelImage decoded;
        ASSERT_TRUE(platform().decodeImage(std::u16string(path_.begin(), path_.end()), decoded));
        EXPECT_EQ(decoded.width, image.width);
        EXPECT_EQ(decoded.height, image.height);
        EXPECT_TRUE(decoded.bgra == image.bgra);
    }

private:
    std::wstring path_ = [] {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        return std::wstring(temp) + L"orvex-bands-" + std::to_wstring(GetCurrentProcessId()) + L".png";
    }();
};

} // namespace

TEST_F(PngBandsUnderGdiplus, AnyBandsAndThreadsDecodeToTheSamePixels) {
    const std::pair<uint32_t, uint32_t> sizes[] = {{1, 1}, {1, 9}, {13, 1}, {33, 17}, {301, 203}};
    for (const auto& [w, h] : sizes)
        for (uint32_t bandRows : {1u, 3u, h})
            for (uint32_t workers : {1u, 4u}) {
                expectDecodes(randomImage(w, h, w * 7 + h), bandRows, workers);
                expectDecodes(flatImage(w, h), bandRows, workers);
            }
    expectDecodes(randomImage(1024, 700, 3), 0, 0); // bands and threads as chosen for the image
}

} // namespace orvex
