// PNG encoding of 32-bit BGRA pixels: 8-bit RGBA, the rows compressed in independent bands on
// every hardware thread and joined into one zlib stream.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace orvex {

// A PNG file as consecutive pieces of bytes: written one after the other they are the file.
// The compressed bands stay where their threads wrote them, so nothing is copied to join them.
struct PngPiece {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
};
struct PngPieces {
    std::vector<PngPiece> pieces;
    uint64_t size() const;
};

// The PNG file of the image, in pieces. False when the image is empty, its buffer does not
// match its size, or zlib or memory fails; the pieces are then empty. bandRows is the number
// of image rows compressed as one band (0: chosen from the image size); workers the number of
// threads (0: every hardware thread).
bool encodePngPieces(const PixelImage& image, PngPieces& png, uint32_t bandRows = 0, uint32_t workers = 0);

// The BGRA pixels of row y, asked for in ascending order within a band of rows, by several
// threads at once for different bands; worker (below the number of threads) tells which
// thread asks, so that a source can keep what it needs per thread. The pointer must stay
// valid until the same worker asks again. May throw std::bad_alloc (the encoding then fails).
using PngRowSource = std::function<const uint8_t*(uint32_t y, uint32_t worker)>;

// The PNG file of a width x height image whose rows come from rows, so that an image made
// row by row (a normal map) never has to be held whole. False as above.
bool encodePngRows(uint32_t width, uint32_t height, const PngRowSource& rows, PngPieces& png, uint32_t bandRows = 0,
                   uint32_t workers = 0);

// The whole PNG file for the image in one buffer. False as above; png is then empty.
bool encodePng(const PixelImage& image, std::vector<uint8_t>& png);

} // namespace orvex
