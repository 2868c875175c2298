// PNG encoding of 32-bit BGRA pixels: 8-bit RGBA, every row with the same filter,
// compressed by zlib at its fastest level.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <vector>

namespace orvex {

// The whole PNG file for the image. False when the image is empty, its buffer does not
// match its size, or zlib or memory fails; png is then empty.
bool encodePng(const PixelImage& image, std::vector<uint8_t>& png);

} // namespace orvex
