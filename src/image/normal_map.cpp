// The normal map of an image: each pixel's brightness is a height, a 3 x 3 Sobel kernel
// that wraps around the edges gives its gradient, and the normal is written as colour.
// Every step is 32-bit float in a fixed order so that each build gives the same bytes; this
// file is built without floating-point contraction and without errno for sqrt, so that the
// compiler may vectorise the kernel but not change a rounding.
#include "image/normal_map.h"

#include "image/png_writer.h"
#include "image/row_pool.h"
#include "platform/files.h"

#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

namespace orvex {

namespace {

// Pixels in the image, or 0 when its buffer does not hold exactly width x height pixels.
size_t pixelCount(const PixelImage& image) {
    if (image.width == 0 || image.height == 0) return 0;
    const size_t w = image.width;
    const size_t h = image.height;
    if (w > SIZE_MAX / 4 / h) return 0;
    if (image.bgra.size() != w * h * 4) return 0;
    return w * h;
}

// The channel heights (byte / 255) of one source row, one plane per channel (blue, green,
// red), each with its wrap-around neighbours at both ends: plane[0] is column w - 1,
// plane[x + 1] column x and plane[w + 1] column 0. Planes let the kernel run over
// contiguous floats, which the compiler turns into vector code.
class RowPlanes {
public:
    explicit RowPlanes(uint32_t width) : width_(width), values_(3 * (size_t(width) + 2)) {}

    void load(const uint8_t* bgra) {
        const size_t stride = size_t(width_) + 2;
        float* blue = values_.data() + 1;
        float* green = blue + stride;
        float* red = green + stride;
        for (size_t x = 0; x < width_; ++x) {
            uint32_t pixel;
            std::memcpy(&pixel, bgra + x * 4, 4);
            if constexpr (std::endian::native == std::endian::big) pixel = byteSwapped(pixel);
            // The same float as byte / 255.0f: the byte converts exactly, one rounding.
            blue[x] = static_cast<float>(pixel & 0xFF) / 255.0f;
            green[x] = static_cast<float>((pixel >> 8) & 0xFF) / 255.0f;
            red[x] = static_cast<float>((pixel >> 16) & 0xFF) / 255.0f;
        }
        for (float* plane : {blue, green, red}) {
            plane[-1] = plane[width_ - 1];
            plane[width_] = plane[0];
        }
    }
    const float* plane(int channel) const { return values_.data() + size_t(channel) * (size_t(width_) + 2); }

private:
    static uint32_t byteSwapped(uint32_t v) {
        return (v >> 24) | ((v >> 8) & 0xFF00) | ((v << 8) & 0xFF0000) | (v << 24);
    }

    uint32_t width_;
    std::vector<float> values_;
};

// The three source rows a row of output needs, loaded once each while a piece of rows is
// worked through from top to bottom.
class RowWindow {
public:
    RowWindow(const PixelImage& source) : source_(source) {
        for (int i = 0; i < 3; ++i) slots_.emplace_back(source.width);
    }
    const RowPlanes& row(uint32_t y, uint32_t keep1, uint32_t keep2) {
        for (int i = 0; i < 3; ++i)
            if (rows_[i] == y) return slots_[i];
        // A slot holding neither of the other two rows this output row needs.
        int free = 0;
        while (rows_[free] == keep1 || rows_[free] == keep2) ++free;
        slots_[free].load(source_.bgra.data() + size_t(y) * source_.width * 4);
        rows_[free] = y;
        return slots_[free];
    }

private:
    const PixelImage& source_;
    std::vector<RowPlanes> slots_;
    uint32_t rows_[3] = {UINT32_MAX, UINT32_MAX, UINT32_MAX};
};

struct Gradient {
    float x, y;
};

// The horizontal and vertical gradient of one channel at column x, from the planes of the
// rows above (u), at (c) and below (d); column x - 1 is at index x, column x at x + 1 and
// column x + 1 at x + 2.
inline Gradient channelGradient(const float* u, const float* c, const float* d, size_t x) {
    const float lu = u[x], lc = c[x], ld = d[x];
    const float cu = u[x + 1], cd = d[x + 1];
    const float ru = u[x + 2], rc = c[x + 2], rd = d[x + 2];
    return {2.0f * lc + lu + ld - ru - 2.0f * rc - rd, 2.0f * cu + lu + ru - ld - 2.0f * cd - rd};
}

// One output row. Every step is the kernel's, in its order, on 32-bit floats; nothing here
// may be contracted or reordered, which the build guarantees for this file (no fused
// multiply-add, no fast math).
void computeRow(const RowPlanes& above, const RowPlanes& at, const RowPlanes& below, uint32_t width, uint8_t* target) {
    const float *ub = above.plane(0), *ug = above.plane(1), *ur = above.plane(2);
    const float *cb = at.plane(0), *cg = at.plane(1), *cr = at.plane(2);
    const float *db = below.plane(0), *dg = below.plane(1), *dr = below.plane(2);
    for (size_t x = 0; x < width; ++x) {
        const Gradient blue = channelGradient(ub, cb, db, x);
        const Gradient green = channelGradient(ug, cg, dg, x);
        const Gradient red = channelGradient(ur, cr, dr, x);
        // The channel weights are 1 (alpha's 0 adds nothing): x * 1 is x, so the weighted
        // sum is the plain sum in channel order.
        const float gx = blue.x + green.x + red.x;
        const float gy = blue.y + green.y + red.y;
        const float n = std::sqrt(gx * gx + gy * gy + 1.0f);
        const float nx = gx / n;
        const float ny = gy / n;
        const float u = nx * 0.5f + 0.5f;
        const float v = ny * 0.5f + 0.5f;
        const float m = std::sqrt(u * u + v * v + 1.0f);
        const float s = 255.0f / m;
        // The values lie in 0..255 by construction (u and v in 0..1, s at most 255), so the
        // conversions to int are always defined.
        const uint32_t outBlue = static_cast<uint32_t>(static_cast<int32_t>(s)) & 0xFF;
        const uint32_t outGreen = static_cast<uint32_t>(static_cast<int32_t>(u * s)) & 0xFF;
        const uint32_t outRed = static_cast<uint32_t>(static_cast<int32_t>(v * s)) & 0xFF;
        uint32_t pixel = outBlue | outGreen << 8 | outRed << 16 | 0xFF000000u;
        if constexpr (std::endian::native == std::endian::big)
            pixel = (pixel >> 24) | ((pixel >> 8) & 0xFF00) | ((pixel << 8) & 0xFF0000) | (pixel << 24);
        std::memcpy(target + x * 4, &pixel, 4);
    }
}

// Output row y into target, with the source rows it needs taken through window.
void computeRowAt(const PixelImage& source, RowWindow& window, uint32_t y, uint8_t* target) {
    const uint32_t h = source.height;
    const uint32_t yu = y == 0 ? h - 1 : y - 1;
    const uint32_t yd = y == h - 1 ? 0 : y + 1;
    const RowPlanes& above = window.row(yu, y, yd);
    const RowPlanes& at = window.row(y, yu, yd);
    const RowPlanes& below = window.row(yd, yu, y);
    computeRow(above, at, below, source.width, target);
}

void computeRows(const PixelImage& source, PixelImage& out, uint32_t firstRow, uint32_t lastRow) {
    RowWindow window(source);
    for (uint32_t y = firstRow; y < lastRow; ++y)
        computeRowAt(source, window, y, out.bgra.data() + size_t(y) * source.width * 4);
}

// The PNG of the normal map of source, its rows computed by the threads that compress them:
// the map is never held whole, and the kernel runs spread over the same bands as zlib.
bool encodeNormalMapPng(const PixelImage& source, PngPieces& png) {
    struct WorkerRows {
        explicit WorkerRows(const PixelImage& image) : window(image), row(size_t(image.width) * 4) {}
        RowWindow window;
        std::vector<uint8_t> row;
    };
    const uint32_t workers = hardwareThreads();
    std::vector<std::unique_ptr<WorkerRows>> perWorker(workers); // each slot used by one thread only
    const auto rows = [&](uint32_t y, uint32_t worker) -> const uint8_t* {
        std::unique_ptr<WorkerRows>& mine = perWorker[worker];
        if (!mine) mine = std::make_unique<WorkerRows>(source);
        computeRowAt(source, mine->window, y, mine->row.data());
        return mine->row.data();
    };
    return encodePngRows(source.width, source.height, rows, png, 0, workers);
}

// Writes the PNG's pieces to path; a file that could not be written whole is removed, so no
// truncated image is left behind.
bool writePieces(const std::u16string& path, const PngPieces& png) {
    File f(path, "wb");
    if (!f) return false;
    bool ok = true;
    for (const auto& piece : png.pieces)
        if (ok && !f.write(piece.bytes.get(), piece.size)) ok = false;
    if (!f.close()) ok = false;
    if (!ok) removePath(path);
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
    std::atomic<bool> failed{false};
    forEachRowPiece(source.height, [&](uint32_t first, uint32_t last) {
        try {
            computeRows(source, out, first, last);
        } catch (const std::exception&) { // no memory for the row planes
            failed = true;
        }
    });
    if (failed) out = PixelImage{};
}

bool CreateNormal(const std::u16string& input, const std::u16string& output) {
    FileState source;
    std::vector<unsigned char> buffer;
    return examineFile(input, true, source, buffer) && CreateNormal(input, output, source);
}

bool CreateNormal(const std::u16string& input, const std::u16string& output, const FileState& sourceState) {
    try {
        PixelImage source;
        if (!platform().decodeImage(input, source)) return false;
        if (pixelCount(source) == 0) return false;
        PngPieces png;
        if (!encodeNormalMapPng(source, png)) return false;
        source = PixelImage{}; // give the memory back before the file is written
        if (!sealWithOrigin(png, NormalMapOrigin{sourceState, NormalMapParameters{}})) return false;
        return writePieces(output, png);
    } catch (const std::exception&) {
        // An image too large for memory is a failed generation like any other.
        return false;
    }
}

} // namespace orvex
