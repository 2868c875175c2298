// What the normal-map benchmarks compare the program with: a diffuse texture made here and
// encoded with libjpeg-turbo, and the pipelines a C++ developer would first write for the
// same job (libjpeg-turbo decode, a plain one-thread kernel, libpng or libdeflate encode).
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvex::bench {

// A wood-like diffuse texture, w x h BGRA: grain bands from a few octaves of value noise
// with fine per-pixel grain, as a photographed texture has.
PixelImage makeTexture(uint32_t width, uint32_t height, uint32_t seed);
// Encodes BGRA pixels as a baseline JPEG (4:2:0) with libjpeg-turbo; false on failure.
bool writeJpeg(const std::string& path, const PixelImage& image, int quality);

// libjpeg-turbo decode into BGRA.
bool decodeJpeg(const std::string& path, PixelImage& out);
// The normal map as a developer would first write it: one thread, the kernel as stated,
// byte / 255 per channel, wrap-around by comparison.
void plainNormalMap(const PixelImage& source, PixelImage& out);
// PNG through libpng at zlib level 1 with libpng's default (adaptive) filters.
bool writePngLibpng(const std::string& path, const PixelImage& image);
// PNG through libdeflate level 1 on one thread: rows with the Sub filter, one zlib stream.
bool writePngLibdeflate(const std::string& path, const PixelImage& image);
// libpng decode into BGRA; false when the file is not a PNG libpng accepts.
bool decodePngLibpng(const std::string& path, PixelImage& out);

} // namespace orvex::bench
