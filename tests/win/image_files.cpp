// Image files made from pixels for the Windows tests.
#include "image_files.h"

#include "image/png_writer.h"

#include <zlib.h>

namespace orvex::images {

namespace {

void put16(std::string& s, uint32_t v) {
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}
void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}
void put32be(std::string& s, size_t at, uint32_t v) {
    s[at] = char(v >> 24);
    s[at + 1] = char((v >> 16) & 0xFF);
    s[at + 2] = char((v >> 8) & 0xFF);
    s[at + 3] = char(v & 0xFF);
}

std::string bmpHeader(uint32_t width, uint32_t height, uint32_t pixelBytes) {
    std::string s = "BM";
    put32(s, 54 + pixelBytes);
    put32(s, 0);
    put32(s, 54);
    put32(s, 40);
    put32(s, width);
    put32(s, height);
    put16(s, 1);
    put16(s, 24);
    put32(s, 0);
    put32(s, pixelBytes);
    put32(s, 2835);
    put32(s, 2835);
    put32(s, 0);
    put32(s, 0);
    return s;
}

} // namespace

PixelImage uniform(uint32_t width, uint32_t height, uint8_t blue, uint8_t green, uint8_t red, uint8_t alpha) {
    PixelImage image;
    image.width = width;
    image.height = height;
    image.bgra.resize(size_t(width) * height * 4);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) setPixel(image, x, y, blue, green, red, alpha);
    return image;
}

PixelImage pattern(uint32_t width, uint32_t height) {
    PixelImage image = uniform(width, height, 0, 0, 0);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            setPixel(image, x, y, uint8_t((x * 37 + y * 11) % 251), uint8_t((x * x + 3 * y) % 253),
                     uint8_t((x * 5 + y * y * 7) % 255));
    return image;
}

void setPixel(PixelImage& image, uint32_t x, uint32_t y, uint8_t blue, uint8_t green, uint8_t red, uint8_t alpha) {
    uint8_t* p = &image.bgra[(size_t(y) * image.width + x) * 4];
    p[0] = blue, p[1] = green, p[2] = red, p[3] = alpha;
}

std::string pngFile(const PixelImage& image) {
    std::vector<uint8_t> png;
    if (!encodePng(image, png)) return {};
    return std::string(png.begin(), png.end());
}

std::string bmpFile(const PixelImage& image) {
    const uint32_t stride = (image.width * 3 + 3) & ~3u;
    std::string s = bmpHeader(image.width, image.height, stride * image.height);
    for (uint32_t r = 0; r < image.height; ++r) {
        const uint32_t y = image.height - 1 - r; // the bottom row comes first
        std::string row;
        for (uint32_t x = 0; x < image.width; ++x) row.append(reinterpret_cast<const char*>(&image.bgra[(size_t(y) * image.width + x) * 4]), 3);
        row.resize(stride, '\0');
        s += row;
    }
    return s;
}

std::string pngClaiming(uint32_t width, uint32_t height) {
    std::string png = pngFile(uniform(1, 1, 10, 20, 30));
    // Signature (8), IHDR length (4) and type (4), then width and height; the chunk's
    // checksum covers the type and the 13 data bytes.
    put32be(png, 16, width);
    put32be(png, 20, height);
    const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17));
    put32be(png, 29, crc);
    return png;
}

std::string bmpClaiming(uint32_t width, uint32_t height) {
    const uint32_t stride = (width * 3 + 3) & ~3u;
    std::string s = bmpHeader(width, height, stride * height);
    s.append(stride < 4096 ? stride : 4096, '\x40');
    return s;
}

} // namespace orvex::images
