// A PNG that carries the proof of its own bytes: a private chunk right after IHDR holds the
// writer's record followed by the content hash of every other byte of the file. A reader
// that finds the chunk with its CRC right, the file ending in an intact IEND and the hash
// matching knows the file is, byte for byte, the one that was written: an image edited and
// saved again, cut short, extended or damaged anywhere fails. Decoders skip the chunk
// (ancillary), and an editor that changes the image must drop it (not safe to copy).
#pragma once

#include "image/png_writer.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvex {

// Adds the sealing chunk of the given type (four letters: lower, lower, upper, upper) with
// record to a PNG whose first piece is its signature and IHDR, as encodePngRows makes it.
// False when the PNG does not start so or memory fails; the PNG is then unchanged.
bool sealPng(PngPieces& png, const char type[4], const std::vector<uint8_t>& record);

// Reads the file at path as a PNG sealed with a chunk of this type. accept is shown the
// record first, so that a record that does not fit stops the reading before the rest of the
// file; true only when accept returned true and the file is whole and exactly as sealed.
// buffer is the caller's reading storage, kept between calls.
bool readPngSeal(const std::u16string& path, const char type[4],
                 const std::function<bool(const uint8_t* record, size_t size)>& accept,
                 std::vector<unsigned char>& buffer);

} // namespace orvex
