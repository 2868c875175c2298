// Reference pipelines for the normal-map benchmark, built on Debian's libjpeg-turbo, libpng
// and libdeflate. Benchmark-only: the program itself uses none of them.
#include "normal_map_reference.h"

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include <jpeglib.h>
#include <libdeflate.h>
#include <png.h>

namespace orvex::bench {

namespace {

struct Lcg {
    uint32_t state;
    uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

// Value noise: random values on a lattice of the given spacing, smoothly interpolated.
class ValueNoise {
public:
    ValueNoise(uint32_t width, uint32_t height, uint32_t spacing, uint32_t seed)
        : spacing_(spacing), columns_(width / spacing + 2), rows_(height / spacing + 2) {
        Lcg random{seed};
        lattice_.resize(size_t(columns_) * rows_);
        for (float& v : lattice_) v = float(random.next() & 0xFFFF) / 65535.0f;
    }
    float at(uint32_t x, uint32_t y) const {
        const uint32_t cx = x / spacing_, cy = y / spacing_;
        const float fx = smooth(float(x % spacing_) / float(spacing_));
        const float fy = smooth(float(y % spacing_) / float(spacing_));
        const float* row0 = &lattice_[size_t(cy) * columns_ + cx];
        const float* row1 = row0 + columns_;
        const float top = row0[0] + (row0[1] - row0[0]) * fx;
        const float bottom = row1[0] + (row1[1] - row1[0]) * fx;
        return top + (bottom - top) * fy;
    }

private:
    static float smooth(float t) { return t * t * (3.0f - 2.0f * t); }
    uint32_t spacing_, columns_, rows_;
    std::vector<float> lattice_;
};

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void onJpegError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

struct File {
    std::FILE* f;
    explicit File(const std::string& path, const char* mode) : f(std::fopen(path.c_str(), mode)) {}
    ~File() {
        if (f) std::fclose(f);
    }
};

void putBigEndian32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void putChunk(std::vector<uint8_t>& out, const char* type, const uint8_t* data, size_t size) {
    putBigEndian32(out, static_cast<uint32_t>(size));
    const size_t at = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + size);
    putBigEndian32(out, libdeflate_crc32(0, out.data() + at, size + 4));
}

} // namespace

PixelImage makeTexture(uint32_t width, uint32_t height, uint32_t seed) {
    const ValueNoise bands(width, height, 512, seed);
    const ValueNoise rings(width, height, 64, seed + 1);
    const ValueNoise fibres(width, height, 8, seed + 2);
    Lcg grain{seed + 3};
    PixelImage image;
    image.width = width;
    image.height = height;
    image.bgra.resize(size_t(width) * height * 4);
    uint8_t* p = image.bgra.data();
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            // Wood: stretched along x, rings from the large bands, fibres and grain on top.
            const float ring = std::sin((bands.at(x / 4, y) * 12.0f + rings.at(x / 2, y) * 1.5f) * 6.2831853f);
            float tone = 0.62f + 0.22f * ring + 0.12f * (fibres.at(x, y) - 0.5f);
            tone += (float(grain.next() % 9) - 4.0f) / 255.0f;
            tone = std::fmin(std::fmax(tone, 0.0f), 1.0f);
            p[0] = static_cast<uint8_t>(tone * 70.0f);  // blue
            p[1] = static_cast<uint8_t>(tone * 120.0f); // green
            p[2] = static_cast<uint8_t>(tone * 190.0f); // red
            p[3] = 255;
            p += 4;
        }
    }
    return image;
}

bool writeJpeg(const std::string& path, const PixelImage& image, int quality) {
    File file(path, "wb");
    if (!file.f) return false;
    jpeg_compress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = onJpegError;
    std::vector<uint8_t> row(size_t(image.width) * 3);
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file.f);
    info.image_width = image.width;
    info.image_height = image.height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        const uint8_t* src = image.bgra.data() + size_t(info.next_scanline) * image.width * 4;
        for (uint32_t x = 0; x < image.width; ++x) {
            row[x * 3 + 0] = src[x * 4 + 2];
            row[x * 3 + 1] = src[x * 4 + 1];
            row[x * 3 + 2] = src[x * 4 + 0];
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

bool decodeJpeg(const std::string& path, PixelImage& out) {
    File file(path, "rb");
    if (!file.f) return false;
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = onJpegError;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file.f);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGRA; // libjpeg-turbo writes the program's byte order
    jpeg_start_decompress(&info);
    out.width = info.output_width;
    out.height = info.output_height;
    out.bgra.resize(size_t(out.width) * out.height * 4);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {out.bgra.data() + size_t(info.output_scanline) * out.width * 4};
        jpeg_read_scanlines(&info, rows, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

void plainNormalMap(const PixelImage& source, PixelImage& out) {
    const uint32_t w = source.width, h = source.height;
    out.width = w;
    out.height = h;
    out.bgra.assign(size_t(w) * h * 4, 0);
    const uint8_t* src = source.bgra.data();
    auto value = [&](uint32_t x, uint32_t y, int c) { return float(src[(size_t(y) * w + x) * 4 + c]) / 255.0f; };
    for (uint32_t y = 0; y < h; ++y) {
        const uint32_t yu = y == 0 ? h - 1 : y - 1;
        const uint32_t yd = y == h - 1 ? 0 : y + 1;
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t xl = x == 0 ? w - 1 : x - 1;
            const uint32_t xr = x == w - 1 ? 0 : x + 1;
            float gx = 0, gy = 0;
            for (int c = 0; c < 3; ++c) {
                const float gxc = 2.0f * value(xl, y, c) + value(xl, yu, c) + value(xl, yd, c) - value(xr, yu, c) -
                                  2.0f * value(xr, y, c) - value(xr, yd, c);
                const float gyc = 2.0f * value(x, yu, c) + value(xl, yu, c) + value(xr, yu, c) - value(xl, yd, c) -
                                  2.0f * value(x, yd, c) - value(xr, yd, c);
                gx = c == 0 ? gxc : gx + gxc;
                gy = c == 0 ? gyc : gy + gyc;
            }
            const float n = std::sqrt(gx * gx + gy * gy + 1.0f);
            const float u = gx / n * 0.5f + 0.5f;
            const float v = gy / n * 0.5f + 0.5f;
            const float s = 255.0f / std::sqrt(u * u + v * v + 1.0f);
            uint8_t* p = out.bgra.data() + (size_t(y) * w + x) * 4;
            p[0] = static_cast<uint8_t>(static_cast<int>(s));
            p[1] = static_cast<uint8_t>(static_cast<int>(u * s));
            p[2] = static_cast<uint8_t>(static_cast<int>(v * s));
            p[3] = 255;
        }
    }
}

bool writePngLibpng(const std::string& path, const PixelImage& image) {
    File file(path, "wb");
    if (!file.f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file.f);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    for (uint32_t y = 0; y < image.height; ++y)
        png_write_row(png, image.bgra.data() + size_t(y) * image.width * 4);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool writePngLibdeflate(const std::string& path, const PixelImage& image) {
    const size_t pitch = size_t(image.width) * 4;
    std::vector<uint8_t> filtered((pitch + 1) * image.height);
    for (uint32_t y = 0; y < image.height; ++y) {
        const uint8_t* src = image.bgra.data() + y * pitch;
        uint8_t* dst = filtered.data() + y * (pitch + 1);
        *dst++ = 1; // Sub
        uint8_t prev[4] = {0, 0, 0, 0};
        for (uint32_t x = 0; x < image.width; ++x) {
            const uint8_t rgba[4] = {src[x * 4 + 2], src[x * 4 + 1], src[x * 4 + 0], src[x * 4 + 3]};
            for (int c = 0; c < 4; ++c) {
                dst[x * 4 + c] = static_cast<uint8_t>(rgba[c] - prev[c]);
                prev[c] = rgba[c];
            }
        }
    }
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(1);
    if (!compressor) return false;
    std::vector<uint8_t> compressed(libdeflate_zlib_compress_bound(compressor, filtered.size()));
    const size_t size =
        libdeflate_zlib_compress(compressor, filtered.data(), filtered.size(), compressed.data(), compressed.size());
    libdeflate_free_compressor(compressor);
    if (size == 0) return false;

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> header;
    putBigEndian32(header, image.width);
    putBigEndian32(header, image.height);
    header.insert(header.end(), {8, 6, 0, 0, 0});
    putChunk(png, "IHDR", header.data(), header.size());
    putChunk(png, "IDAT", compressed.data(), size);
    putChunk(png, "IEND", nullptr, 0);
    File file(path, "wb");
    return file.f && std::fwrite(png.data(), 1, png.size(), file.f) == png.size();
}

bool decodePngLibpng(const std::string& path, PixelImage& out) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_BGRA;
    out.width = image.width;
    out.height = image.height;
    out.bgra.resize(PNG_IMAGE_SIZE(image));
    const bool ok = png_image_finish_read(&image, nullptr, out.bgra.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

} // namespace orvex::bench
