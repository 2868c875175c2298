// CreateNormal with real files: images decoded by GDI+, the normal map computed and written
// as PNG, read back through GDI+. Files that are missing, empty, not images or whose
// header claims an absurd size give false and write nothing.
#include "image_files.h"

#include "host-sim/host_sim.h"
#include "image/normal_map.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvex {
namespace {

using namespace hostsim;

class CreateNormalFiles : public ::testing::Test {
protected:
    std::u16string path(const std::wstring& name) const {
        const std::wstring p = folder_ / name;
        return std::u16string(p.begin(), p.end());
    }
    std::u16string write(const std::wstring& name, const std::string& bytes) {
        EXPECT_TRUE(writeFile(folder_ / name, bytes));
        return path(name);
    }
    // The output image as (red, green, blue) per pixel, rows top first; alpha must be 255.
    std::vector<std::vector<int>> outputPixels(const std::u16string& output) {
        PixelImage image;
        EXPECT_TRUE(platform().decodeImage(output, image));
        std::vector<std::vector<int>> rgb;
        for (size_t i = 0; i + 3 < image.bgra.size(); i += 4) {
            EXPECT_EQ(image.bgra[i + 3], 255);
            rgb.push_back({image.bgra[i + 2], image.bgra[i + 1], image.bgra[i]});
        }
        return rgb;
    }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((folder_.path() + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") names.push_back(toUtf8(name));
        } while (FindNextFileW(search, &found));
        FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }

    ScratchFolder folder_{L"orvex-normal-map"};
};

using Rgb = std::vector<int>;

TEST_F(CreateNormalFiles, PngWithWhiteLeftHalfGivesTheWrapAroundGradient) {
    PixelImage image = images::uniform(4, 4, 0, 0, 0);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 2; ++x) images::setPixel(image, x, y, 255, 255, 255);
    const std::u16string input = write(L"halves.png", images::pngFile(image));
    ASSERT_TRUE(CreateNormal(input, input + u"_Normal.png"));
    const Rgb edge = {114, 0, 228}, inner = {85, 169, 170};
    std::vector<Rgb> expected;
    for (int y = 0; y < 4; ++y) expected.insert(expected.end(), {edge, inner, inner, edge});
    EXPECT_EQ(outputPixels(input + u"_Normal.png"), expected);
}

TEST_F(CreateNormalFiles, BmpWithWhiteTopHalfAndBmpOfOneRowGiveTheirGradients) {
    PixelImage image = images::uniform(4, 4, 0, 0, 0);
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 4; ++x) images::setPixel(image, x, y, 255, 255, 255);
    const std::u16string input = write(L"halves.bmp", images::bmpFile(image));
    ASSERT_TRUE(CreateNormal(input, input + u"_Normal.png"));
    const Rgb edge = {0, 114, 228}, inner = {169, 85, 170};
    std::vector<Rgb> expected;
    for (const Rgb& row : {edge, inner, inner, edge})
        for (int x = 0; x < 4; ++x) expected.push_back(row);
    EXPECT_EQ(outputPixels(input + u"_Normal.png"), expected);

    PixelImage line = images::uniform(3, 1, 0, 0, 0);
    images::setPixel(line, 1, 0, 255, 255, 255);
    const std::u16string lineInput = write(L"line.bmp", images::bmpFile(line));
    ASSERT_TRUE(CreateNormal(lineInput, lineInput + u"_Normal.png"));
    EXPECT_EQ(outputPixels(lineInput + u"_Normal.png"), (std::vector<Rgb>{{114, 0, 228}, {104, 104, 208}, {85, 169, 170}}));
}

TEST_F(CreateNormalFiles, UniformImagesOfAnySizeAndAlphaGiveTheFlatNormal) {
    for (const auto& [name, image] : {std::pair{L"one.png", images::uniform(1, 1, 200, 10, 30, 0)},
                                      std::pair{L"wide.png", images::uniform(5, 2, 7, 7, 7, 128)}}) {
        const std::u16string input = write(name, images::pngFile(image));
        ASSERT_TRUE(CreateNormal(input, input + u"_Normal.png"));
        EXPECT_EQ(outputPixels(input + u"_Normal.png"),
                  std::vector<Rgb>(size_t(image.width) * image.height, Rgb{104, 104, 208}));
    }
}

TEST_F(CreateNormalFiles, PatternThroughPngAndBmpMatchesTheKernelOnTheDecodedSource) {
    // Rows enough for every worker to get some; alpha varies in the PNG and must not matter.
    PixelImage source = images::pattern(37, 23);
    PixelImage translucent = source;
    for (size_t i = 3; i < translucent.bgra.size(); i += 4) translucent.bgra[i] = uint8_t(i % 256);
    PixelImage expected;
    computeNormalMap(source, expected);
    ASSERT_EQ(expected.width, 37u);

    for (const auto& [name, bytes] : {std::pair{L"pattern.png", images::pngFile(translucent)},
                                      std::pair{L"pattern.bmp", images::bmpFile(source)}}) {
        const std::u16string input = write(name, bytes);
        ASSERT_TRUE(CreateNormal(input, input + u"_Normal.png"));
        PixelImage written;
        ASSERT_TRUE(platform().decodeImage(input + u"_Normal.png", written));
        EXPECT_EQ(written.width, 37u);
        EXPECT_EQ(written.height, 23u);
        EXPECT_TRUE(written.bgra == expected.bgra) << toUtf8(name);
    }
}

TEST_F(CreateNormalFiles, FilesThatAreNoUsableImageGiveFalseAndWriteNothing) {
    const std::u16string missing = path(L"missing.png");
    const std::u16string text = write(L"text.png", "this is not an image\r\n");
    const std::u16string empty = write(L"empty.bmp", "");
    const std::u16string cut = write(L"cut.png", images::pngFile(images::pattern(8, 8)).substr(0, 40));
    const std::u16string hugePng = write(L"huge.png", images::pngClaiming(60000, 60000));
    const std::u16string hugeBmp = write(L"huge.bmp", images::bmpClaiming(60000, 60000));
    const std::u16string zeroPng = write(L"zero.png", images::pngClaiming(0, 0));
    const std::u16string zeroBmp = write(L"zero.bmp", images::bmpClaiming(0, 0));
    for (const std::u16string& input : {missing, text, empty, cut, hugePng, hugeBmp, zeroPng, zeroBmp})
        EXPECT_FALSE(CreateNormal(input, input + u"_Normal.png")) << toUtf8(std::wstring(input.begin(), input.end()));
    EXPECT_EQ(files(), (std::vector<std::string>{"cut.png", "empty.bmp", "huge.bmp", "huge.png", "text.png",
                                            "zero.bmp", "zero.png"}));

    // A good image whose output folder does not exist: nothing can be written.
    const std::u16string good = write(L"good.png", images::pngFile(images::pattern(4, 4)));
    EXPECT_FALSE(CreateNormal(good, path(L"no such folder\\good.png_Normal.png")));
}

} // namespace
} // namespace orvex
