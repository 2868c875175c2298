// What the program remembers of the normal maps it generated, so that a synchronisation that
// meets an unchanged texture sends the existing map instead of generating it again.
#pragma once

#include "core/send_context.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orvex {

// A file as last seen: size, modification time and, for sources, a hash of the content.
struct FileState {
    uint64_t size = 0;
    int64_t modified = 0; // the file system's own clock ticks
    uint64_t hash = 0;
    bool operator==(const FileState&) const = default;
};

// A 64-bit hash of bytes (four multiply-rotate lanes, then a final mix), fast enough to run
// over a texture at memory speed. Chunks hashed one after the other give one hash of the
// whole when each is fed the previous result as seed.
uint64_t contentHash(const void* bytes, size_t size, uint64_t seed);

class NormalMapMemory : public NormalMapProvider {
public:
    // Generates the normal map of source into output with CreateNormal, unless the map this
    // memory holds for output was made from source, the source still has the size, time and
    // content hash it had then, and the output still has the size and time it was written
    // with; the existing file is then used as it is. Anything changed, missing or
    // unreadable means a fresh generation. True when output holds the normal map.
    bool provide(const std::u16string& source, const std::u16string& output) override;

    // The number of maps remembered.
    size_t size() const { return maps_.size(); }

private:
    struct Generated {
        std::u16string source;
        FileState sourceState;
        FileState outputState;
    };

    // Size, time and (when withHash) content hash of a file; false when any is unreadable.
    bool examine(const std::u16string& path, bool withHash, FileState& state);

    std::map<std::u16string, Generated> maps_; // by output path
    std::vector<unsigned char> buffer_;         // for hashing, kept between calls
};

} // namespace orvex
