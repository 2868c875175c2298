// The normal map of an image: each pixel's brightness is a height, a 3 x 3 Sobel kernel
// that wraps around the edges gives its gradient, and the normal is written as colour.
// Every step is 32-bit float in a fixed order so that each build gives the same bytes.
#include "materials/normal_map.h"

#include "materials/png_writer.h"
#include "materials/row_pool.h"
#include "platform/files.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>

namespace orvex {

namespace {

// byte / 255 for every byte value, the exact float the division gives.
const std::array<float, 256>& channelHeights() {
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i) t[i] = static_cast<float>(i) / 255.0f;
        return t;
    }();
    return table;
}

// Pixels in the image, or 0 when its buffer does not hold exactly width x height pixels.
size_t pixelCount(const PixelImage& image) {
    if (image.width == 0 || image.height == 0) return 0;
    const size_t w = image.width;
    const size_t h = image.height;
    if (w > SIZE_MAX / 4 / h) return 0;
    if (image.bgra.size() != w * h * 4) return 0;
    return w * h;
}

uint8_t lowByte(float value) {
    // The values lie in 0..255 by construction (u and v in 0..1, s at most 255), so the
    // conversion to int is always defined.
    return static_cast<uint8_t>(static_cast<int32_t>(value) & 0xFF);
}

void computeRows(const PixelImage& source, PixelImage& out, uint32_t firstRow, uint32_t lastRow) {
    const auto& height = channelHeights();
    const uint32_t w = source.width;
    const uint32_t h = source.height;
    const size_t pitch = size_t(w) * 4;
    const uint8_t* src = source.bgra.data();
    uint8_t* dst = out.bgra.data();

    for (uint32_t y = firstRow; y < lastRow; ++y) {
        const uint32_t yu = y == 0 ? h - 1 : y - 1;
        const uint32_t yd = y == h - 1 ? 0 : y + 1;
        const uint8_t* rowU = src + yu * pitch;
        const uint8_t* rowC = src + y * pitch;
        const uint8_t* rowD = src + yd * pitch;
        uint8_t* target = dst + y * pitch;
        for (uint32_t x = 0; x < w; ++x) {
            const size_t xl = size_t(x == 0 ? w - 1 : x - 1) * 4;
            const size_t xc = size_t(x) * 4;
            const size_t xr = size_t(x == w - 1 ? 0 : x + 1) * 4;
            // Per channel (blue, green, red), each sum in the order of the kernel; the
            // channels are then weighted 1, 1, 1. Alpha carries the weight 0: a finite
            // value times 0 adds nothing, so it is not computed at all.
            float gx = 0.0f;
            float gy = 0.0f;
            for (size_t c = 0; c < 3; ++c) {
                const float lu = height[rowU[xl + c]];
                const float lc = height[rowC[xl + c]];
                const float ld = height[rowD[xl + c]];
                const float ru = height[rowU[xr + c]];
                const float rc = height[rowC[xr + c]];
                const float rd = height[rowD[xr + c]];
                const float cu = height[rowU[xc + c]];
                const float cd = height[rowD[xc + c]];
                const float gxc = 2.0f * lc + lu + ld - ru - 2.0f * rc - rd;
                const float gyc = 2.0f * cu + lu + ru - ld - 2.0f * cd - rd;
                gx = c == 0 ? gxc * 1.0f : gx + gxc * 1.0f;
                gy = c == 0 ? gyc * 1.0f : gy + gyc * 1.0f;
            }
            const float n = std::sqrt(gx * gx + gy * gy + 1.0f);
            const float nx = gx / n;
            const float ny = gy / n;
            const float u = nx * 0.5f + 0.5f;
            const float v = ny * 0.5f + 0.5f;
            const float m = std::sqrt(u * u + v * v + 1.0f);
            const float s = 255.0f / m;
            target[xc + 0] = lowByte(s);
            target[xc + 1] = lowByte(u * s);
            target[xc + 2] = lowByte(v * s);
            target[xc + 3] = 255;
        }
    }
}

bool writeWhole(const std::u16string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = openFile(path, "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0) ok = false;
    if (!ok) removePath(path); // never leave a truncated image behind
    return ok;
}

} // namespace

void computeNormalMap(const PixelImage& source, PixelImage& out) {
    out.width = 0;
    out.height = 0;
    out.bgra.clear();
    const size_t pixels = pixelCount(source);
    if (pixels == 0) return;
    try {
        out.bgra.resize(pixels * 4);
    } catch (const std::exception&) { // no memory for the output: no output
        out.bgra = {};
        return;
    }
    out.width = source.width;
    out.height = source.height;
    forEachRowPiece(source.height, [&](uint32_t first, uint32_t last) {
        computeRows(source, out, first, last);
    });
}

bool CreateNormal(const std::u16string& input, const std::u16string& output) {
    try {
        PixelImage source;
        if (!platform().decodeImage(input, source)) return false;
        PixelImage normals;
        computeNormalMap(source, normals);
        if (normals.width == 0) return false;
        source = PixelImage{}; // give the memory back before the encoder needs its own
        std::vector<uint8_t> png;
        if (!encodePng(normals, png)) return false;
        return writeWhole(output, png);
    } catch (const std::exception&) {
        // An image too large for memory is a failed generation like any other.
        return false;
    }
}

} // namespace orvex
