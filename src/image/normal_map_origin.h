// Where a generated normal map came from, recorded in the map itself (a sealed PNG, see
// png_seal.h): the source's size, modification time and content hash, and the parameters
// that shaped the map. A later run that finds a map whose record matches its source as it
// is now, and today's parameters, knows the map is what a fresh generation would write,
// without decoding anything.
#pragma once

#include "image/png_writer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orvex {

// A file as examined: size, modification time and, for sources, a hash of the content.
struct FileState {
    uint64_t size = 0;
    int64_t modified = 0; // the file system's own clock ticks
    uint64_t hash = 0;
    bool operator==(const FileState&) const = default;
};

// What shapes a map besides its source. The generator has no settings; the numbers name
// the kernel (heights, gradient, colour) and the PNG encoding (filters, deflate, bands),
// and each is raised whenever a change would make a map of other bytes.
struct NormalMapParameters {
    uint32_t kernel = 1;
    uint32_t encoding = 1;
    bool operator==(const NormalMapParameters&) const = default;
};

struct NormalMapOrigin {
    FileState source;
    NormalMapParameters parameters;
    bool operator==(const NormalMapOrigin&) const = default;
};

// Size and modification time of a file, and (withHash) the hash of its content, read front
// to back through buffer (the caller's, kept between calls). False when any of them cannot
// be read, or the file changed size while it was read.
bool examineFile(const std::u16string& path, bool withHash, FileState& state, std::vector<unsigned char>& buffer);

// The origin as the record written into a map.
std::vector<uint8_t> originRecord(const NormalMapOrigin& origin);
// Adds the origin's record to a map's PNG pieces; false when memory fails.
bool sealWithOrigin(PngPieces& png, const NormalMapOrigin& origin);
// True when the file at path is a whole, unchanged map whose recorded origin is origin.
bool mapHasOrigin(const std::u16string& path, const NormalMapOrigin& origin, std::vector<unsigned char>& buffer);

} // namespace orvex
