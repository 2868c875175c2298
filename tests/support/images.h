// Test images: random bytes in every channel, alpha included, so that any mix-up of
// channels, rows or filters shows; the same seed gives the same image on every platform.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <random>

namespace orvex::test {

inline PixelImage randomImage(uint32_t w, uint32_t h, uint32_t seed) {
    std::mt19937 random(seed);
    PixelImage image;
    image.width = w;
    image.height = h;
    image.bgra.resize(size_t(w) * h * 4);
    for (auto& b : image.bgra) b = static_cast<uint8_t>(random());
    return image;
}

} // namespace orvex::test
