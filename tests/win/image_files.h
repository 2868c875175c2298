// Image files for the Windows tests, made from pixels: PNG through the program's own
// encoder, BMP written here, and files whose header claims a size they do not hold.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <string>

namespace orvex::images {

// A BGRA image of one colour.
PixelImage uniform(uint32_t width, uint32_t height, uint8_t blue, uint8_t green, uint8_t red, uint8_t alpha = 255);
// A BGRA image whose pixels all differ from their neighbours: a height field with
// structure in both directions, opaque.
PixelImage pattern(uint32_t width, uint32_t height);
void setPixel(PixelImage& image, uint32_t x, uint32_t y, uint8_t blue, uint8_t green, uint8_t red,
              uint8_t alpha = 255);

// An 8-bit RGBA PNG of the image.
std::string pngFile(const PixelImage& image);
// A 24-bit BMP of the image (alpha dropped), rows stored bottom first as BMP files usually are.
std::string bmpFile(const PixelImage& image);
// A valid 1 x 1 PNG whose header says width x height (with a correct checksum).
std::string pngClaiming(uint32_t width, uint32_t height);
// A 24-bit BMP header that says width x height, followed by one row of pixels.
std::string bmpClaiming(uint32_t width, uint32_t height);

} // namespace orvex::images
